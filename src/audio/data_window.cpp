#include "audio/channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace audio {

namespace {

// Opens a regular file of at most largestFile bytes, or says why not. Opening does not block on a
// FIFO, and a FIFO, a device such as /dev/zero or a directory is refused.
int openRegularFile(const char* path, std::uint64_t& size, std::string& problem)
{
    const int fd = openForReading(path);
    if (fd < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    if (!regularFileSize(fd, size))
        problem = "not a regular file";
    else if (size > largestFile)
        problem = "larger than 256 MiB";
    if (problem.empty())
        return fd;
    closeFile(fd);
    return -1;
}

}  // namespace

// The file is read as the stream plays, never copied whole.
mpg123_ssize_t readWindow(void* handle, void* buffer, size_t size)
{
    Channel& channel = *static_cast<Channel*>(handle);
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(size, channel.length - channel.readPosition));
    mpg123_ssize_t read = static_cast<mpg123_ssize_t>(count);
    if (channel.fd >= 0)
        read = readAt(channel.fd, buffer, count, channel.offset + channel.readPosition);
    else
        std::memcpy(buffer, channel.bytes.data() + channel.readPosition, count);
    if (read > 0)
        channel.readPosition += static_cast<std::uint64_t>(read);
    return read;
}

off_t seekWindow(void* handle, off_t offset, int whence)
{
    Channel& channel = *static_cast<Channel*>(handle);
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off_t>(channel.readPosition)
                                            : static_cast<off_t>(channel.length);
    const off_t position = base + offset;
    if (position < 0 || static_cast<std::uint64_t>(position) > channel.length)
        return -1;
    channel.readPosition = static_cast<std::uint64_t>(position);
    return position;
}

std::unique_ptr<Channel> readChannel(bool mem, const void* file, QWORD offset, QWORD length, bool isModule,
                                     std::string& problem)
{
    auto channel = std::make_unique<Channel>();
    channel->isModule = isModule;
    std::uint64_t size = 0;
    if (mem) {
        if (length == 0) {
            problem = "no length given";
            return nullptr;
        }
        size = length;
        offset = 0;
    } else {
        channel->fd = openRegularFile(static_cast<const char*>(file), size, problem);
        if (channel->fd < 0)
            return nullptr;
    }
    channel->offset = std::min<std::uint64_t>(offset, size);
    channel->length = size - channel->offset;
    if (length > 0)
        channel->length = std::min<std::uint64_t>(length, channel->length);
    if (channel->length == 0) {
        problem = "empty";
        return nullptr;
    }
    if (channel->length > largestFile) {
        problem = "larger than 256 MiB";
        return nullptr;
    }
    if (mem) {
        const char* bytes = static_cast<const char*>(file);
        channel->bytes.assign(bytes, bytes + channel->length);
    } else if (isModule) {
        // A module is small and libopenmpt wants it whole.
        channel->bytes.resize(channel->length);
        if (readAt(channel->fd, channel->bytes.data(), channel->length, channel->offset) !=
            static_cast<std::int64_t>(channel->length)) {
            problem = "cannot be read";
            return nullptr;
        }
        closeFile(channel->fd);
        channel->fd = -1;
    }
    return channel;
}

}  // namespace audio
