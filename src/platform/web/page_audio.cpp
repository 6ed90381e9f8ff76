#include "platform/page_audio.h"

#include <emscripten.h>

// The context and the sources of each voice live on Module.pageAudio.

EM_JS(int, makeAudioContext, (int rate), {
    var Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!Context)
        return 0;
    var context;
    try {
        context = new Context({sampleRate: rate});
    } catch (rateRefused) {
        // Buffers at our rate are then resampled by the browser.
        try {
            context = new Context();
        } catch (noContext) {
            return 0;
        }
    }
    // Some browsers make a context suspended even inside the viewer's click, until asked.
    if (context.state === 'suspended')
        context.resume();
    Module.pageAudio = {context: context, rate: rate, voices: {}};
    return 1;
});

EM_JS(double, contextHeardTime, (), {
    var context = Module.pageAudio.context;
    var heard = context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0);
    // The stamp pairs the context time at the loudspeaker with the page's clock, so the answer
    // moves on between the audio thread's updates of currentTime (about every 10 ms).
    if (context.getOutputTimestamp) {
        var stamp = context.getOutputTimestamp();
        if (stamp.performanceTime > 0)
            heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    }
    return Math.max(0, Math.min(heard, context.currentTime));
});

EM_JS(double, playOnContext, (int voice, const float* left, const float* right, int frameCount, double when), {
    var audio = Module.pageAudio;
    if (audio.closed)
        return when;
    var buffer = audio.context.createBuffer(2, frameCount, audio.rate);
    buffer.copyToChannel(HEAPF32.subarray(left >> 2, (left >> 2) + frameCount), 0);
    buffer.copyToChannel(HEAPF32.subarray(right >> 2, (right >> 2) + frameCount), 1);
    // currentTime is where the audio thread renders next; one block of its (baseLatency) later
    // and a margin for this thread, nothing it has rendered yet can be asked for.
    var earliest = audio.context.currentTime + (audio.context.baseLatency || 0.01) + 0.01;
    if (when < 0)
        when = Math.ceil(earliest * audio.rate) / audio.rate;
    var late = Math.max(0, earliest - when);
    if (late * audio.rate >= frameCount)
        return when;
    var source = audio.context.createBufferSource();
    source.buffer = buffer;
    source.connect(audio.context.destination);
    source.start(when + late, late);
    var sources = audio.voices[voice] || (audio.voices[voice] = []);
    sources.push(source);
    source.onended = function() {
        var index = sources.indexOf(source);
        if (index >= 0)
            sources.splice(index, 1);
    };
    return when;
});

EM_JS(void, stopOnContext, (int voice), {
    var sources = Module.pageAudio.voices[voice] || [];
    Module.pageAudio.voices[voice] = [];
    sources.forEach(function(source) { source.stop(); });
});

EM_JS(void, closeContext, (), {
    var audio = Module.pageAudio;
    if (!audio || audio.closed)
        return;
    // A closed context renders nothing more, whatever was scheduled on it.
    audio.closed = true;
    audio.context.close();
});

bool openPageAudio(unsigned rate)
{
    return makeAudioContext(static_cast<int>(rate)) != 0;
}

double pageAudioHeardTime()
{
    return contextHeardTime();
}

double pageAudioPlay(unsigned voice, const float* left, const float* right, std::size_t frameCount, double when)
{
    return playOnContext(static_cast<int>(voice), left, right, static_cast<int>(frameCount), when);
}

void pageAudioStop(unsigned voice)
{
    stopOnContext(static_cast<int>(voice));
}

void closePageAudio()
{
    closeContext();
}

void pageAudioLater(void (*task)())
{
    emscripten_async_call([](void* taskAddress) { reinterpret_cast<void (*)()>(taskAddress)(); },
                          reinterpret_cast<void*>(task), 0);
}
