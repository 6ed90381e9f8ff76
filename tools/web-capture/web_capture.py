"""The browser's counterpart of nerethval-capture: plays build-web/ in headless Chromium, driven
over the DevTools protocol, and writes the demo's lines and PNG stills.

  options        the capture's options; the module reads rates and times as the capture does
  DevTools       the protocol over Debian's websocket-client
  Browser        headless Chromium in its own process group, always ended whole
  fixed-step     the page steps the demo frame by frame and reads frames back
  realtime       the page plays on its own clock; each line with its time
"""
import base64
import fractions
import json
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

import PIL.Image
import websocket

import serve

USAGE = """usage: web-capture.sh [--fps N] [--seconds S] [--stills DIR --at T1,T2,...] [--spans A-B,...]
                      [--realtime [--click] [--escape]] [--angle swiftshader|gl] [--build DIR]
Plays the web build (build-web/) in headless Chromium. Without --realtime, on a fixed-step clock
as nerethval-capture does: --fps N (N or N/D, default 60), --seconds S (stop after S seconds of
timeline time instead of at the end), --stills DIR --at T1,... (the first frame at or after each
time, as DIR/T.png), --spans A-B,... (the wall time and the browser's CPU time a frame over each
span of timeline seconds, on standard error; the run stops after the last span unless --seconds
says otherwise); standard output carries only the demo's lines. With --realtime the demo plays
in real time, autoplay allowed unless --click (then the page waits for a click, which this sends),
and each line is printed as "SECONDS<tab>AUDIO<tab>BEFORE<tab>LINE": SECONDS since the page was
asked to load, AUDIO the page's audio clock then and BEFORE at the start of the frame before ("-"
while it does not run); --seconds S stops S seconds after the demo started, or with --escape
presses Escape then, as a viewer ends the demo, and says whether the page's sound stopped.
--angle gl draws through the host's OpenGL (Mesa under Xvfb: needs a display) instead of
SwiftShader.
"""


class Refused(Exception):
    """A command line that cannot run: status 2."""


class Failed(Exception):
    """A run that could not finish: status 1."""


class TimedOut(Failed):
    pass


def positive_seconds(text):
    """--seconds as a number, refused unless positive; the module judges its spelling on the fixed step."""
    try:
        seconds = fractions.Fraction(text)
    except (ValueError, ZeroDivisionError):
        seconds = 0
    if seconds <= 0:
        raise Refused('--seconds wants a positive number of seconds, not \'%s\'' % text)
    return seconds


def timed_span(text):
    """One span of --spans: A-B in seconds, 0 <= A < B."""
    try:
        start, end = (fractions.Fraction(bound) for bound in text.split('-'))
    except (ValueError, ZeroDivisionError):
        start = end = 0
    if not 0 <= start < end:
        raise Refused('--spans wants spans of seconds such as 40-50,80-90, not \'%s\'' % text)
    return start, end


def parse_options(arguments):
    options = {'fps': '60', 'seconds': None, 'stills': None, 'at': None, 'spans': [],
               'realtime': False, 'click': False, 'escape': False, 'angle': 'swiftshader',
               'build': os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'build-web')}
    valued = {'--fps', '--seconds', '--stills', '--at', '--spans', '--angle', '--build'}
    position = 0
    while position < len(arguments):
        name = arguments[position]
        if name in valued:
            if position + 1 == len(arguments):
                raise Refused(name + ' wants a value')
            value = arguments[position + 1]
            position += 2
        elif name in ('--realtime', '--click', '--escape'):
            options[name[2:]] = True
            position += 1
            continue
        else:
            raise Refused('unknown option \'%s\'' % name)
        if name == '--seconds':
            positive_seconds(value)
            options['seconds'] = value
        elif name == '--at':
            if any('/' in time for time in value.split(',')):
                raise Refused('--at wants times in seconds separated by commas, such as 5,12.5, not \'%s\'' % value)
            options['at'] = value.split(',')
        elif name == '--spans':
            options['spans'] = [timed_span(span) for span in value.split(',')]
        elif name == '--angle':
            if value not in ('swiftshader', 'gl'):
                raise Refused('--angle wants swiftshader or gl, not \'%s\'' % value)
            options['angle'] = value
        else:
            options[name[2:]] = value
    if (options['at'] is None) != (options['stills'] is None):
        raise Refused('--stills DIR and --at T1,T2,... go together')
    if options['realtime'] and (options['at'] is not None or options['spans']):
        raise Refused('--stills, --at and --spans need the fixed-step clock, not --realtime')
    for name in ('click', 'escape'):
        if options[name] and not options['realtime']:
            raise Refused('--%s only applies to --realtime' % name)
    if options['escape'] and options['seconds'] is None:
        raise Refused('--escape wants --seconds: when to press it')
    if not os.path.isfile(os.path.join(options['build'], 'index.html')):
        raise Refused('no web build in %s: run scripts/build-web.sh first' % options['build'])
    return options


def write_still(path, width, height, rgba):
    """Beside its final name first, as the capture does, so no partial picture is ever left there."""
    partial = path + '.partial'
    try:
        PIL.Image.frombytes('RGBA', (width, height), rgba).save(partial, format='PNG', compress_level=3)
        os.replace(partial, path)
    except OSError as error:
        raise Failed('cannot write %s: %s' % (path, error.strerror)) from None


class DevTools:
    """One page's DevTools connection: calls wait for their answer; events queue up meanwhile."""

    def __init__(self, address, deadline):
        try:
            # Chromium refuses a DevTools client that names an origin it was not told to allow.
            self.socket = websocket.create_connection(address, timeout=30, suppress_origin=True)
        except (OSError, websocket.WebSocketException) as error:
            raise Failed('the browser refused a DevTools connection: %s' % error) from None
        self.deadline = deadline
        self.next_id = 0
        self.events = []

    def _message(self):
        """The next message, in time for the deadline; the library answers pings on the way."""
        while True:
            remaining = self.deadline - time.monotonic()
            if remaining <= 0:
                raise TimedOut('timed out waiting for the browser')
            # A second at most, so that a deadline moved by wait_events is kept; a message cut
            # short by the timeout is taken up again by the next call.
            self.socket.settimeout(min(remaining, 1.0))
            try:
                return json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                continue
            except (OSError, websocket.WebSocketConnectionClosedException):
                raise Failed('the browser closed its DevTools connection') from None

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = self._message()
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise Failed('%s: %s' % (method, message['error'].get('message')))
                return message['result']
            if 'method' in message:
                self.events.append(message)

    def wait_events(self, seconds):
        """Collects the events that arrive within seconds."""
        whole, self.deadline = self.deadline, min(self.deadline, time.monotonic() + seconds)
        try:
            while True:
                self.events.append(self._message())
        except TimedOut:
            if time.monotonic() >= whole:
                raise
        finally:
            self.deadline = whole

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True, awaitPromise=True)
        if 'exceptionDetails' in result:
            details = result['exceptionDetails']
            raise Failed('the page threw: %s' % details.get('exception', {}).get('description', details.get('text')))
        return result['result'].get('value')


class Browser:
    """Headless Chromium in its own process group, with a private profile; end() ends the whole group."""

    def __init__(self, realtime, click, angle):
        self.folder = tempfile.mkdtemp(prefix='web-capture-')
        arguments = ['chromium-headless-shell', '--headless', '--remote-debugging-port=0',
                     '--user-data-dir=' + os.path.join(self.folder, 'profile'), '--no-first-run',
                     '--no-default-browser-check', '--window-size=1280,720', '--hide-scrollbars',
                     '--ignore-gpu-blocklist', '--enable-webgl',
                     # A page in a headless browser counts as hidden: keep its timers and frames going.
                     '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
                     '--disable-backgrounding-occluded-windows',
                     '--autoplay-policy=' + ('document-user-activation-required' if click
                                                          else 'no-user-gesture-required')]
        if angle == 'swiftshader':
            arguments += ['--use-angle=swiftshader', '--enable-unsafe-swiftshader']
        else:
            arguments += ['--use-gl=angle', '--use-angle=gl']
        if os.geteuid() == 0:
            # Chromium's sandbox refuses to run as root.
            arguments.append('--no-sandbox')
        self.log_path = os.path.join(self.folder, 'browser.log')
        with open(self.log_path, 'wb') as log:
            self.process = subprocess.Popen(arguments + ['about:blank'], stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=log, start_new_session=True)

    def page_address(self, deadline):
        port_file = os.path.join(self.folder, 'profile', 'DevToolsActivePort')
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise Failed('the browser ended at start (status %d): %s' % (self.process.returncode, self.log_tail()))
            try:
                with open(port_file) as file:
                    port = int(file.readline())
                with urllib.request.urlopen('http://127.0.0.1:%d/json/list' % port, timeout=10) as answer:
                    pages = [target for target in json.load(answer) if target['type'] == 'page']
                if pages:
                    return pages[0]['webSocketDebuggerUrl']
            except (OSError, ValueError):
                pass
            time.sleep(0.1)
        raise Failed('the browser did not open its DevTools port: ' + self.log_tail())

    def log_tail(self):
        try:
            with open(self.log_path, errors='replace') as log:
                return ' | '.join(log.read().splitlines()[-5:])
        except OSError:
            return ''

    def cpu_seconds(self):
        """The CPU time of the browser's processes so far, with that of those that have ended."""
        ticks = 0
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                with open('/proc/%s/stat' % pid) as file:
                    fields = file.read().rpartition(')')[2].split()
            except OSError:
                continue
            if int(fields[2]) == self.process.pid:
                ticks += sum(int(field) for field in fields[11:15])
        return ticks / os.sysconf('SC_CLK_TCK')

    def end(self):
        print('web-capture: the browser used %.1f s of CPU' % self.cpu_seconds(), file=sys.stderr)
        for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
            try:
                os.killpg(self.process.pid, sig)
            except ProcessLookupError:
                break
            try:
                self.process.wait(grace)
            except subprocess.TimeoutExpired:
                continue
            # The group may outlive its leader: its renderer and GPU processes.
            try:
                os.killpg(self.process.pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.2)
        shutil.rmtree(self.folder, ignore_errors=True)


# Before the page's own scripts: each console.log call notes the time of the newest running audio
# context then, and at the start of the animation frame before the one that logs, so that a line
# can be timed by the clock the music keeps, and the moment it reports lies between the two.
AUDIO_TIMES = """(() => {
  const contexts = [];
  const Original = window.AudioContext;
  if (Original)
    window.AudioContext = class extends Original {
      constructor(...options) { super(...options); contexts.push(this); }
    };
  const now = () => {
    const context = contexts[contexts.length - 1];
    return context && context.state === 'running' ? context.currentTime : null;
  };
  let tick = null, frameStart = null, previousStart = null;
  const request = window.requestAnimationFrame;
  window.requestAnimationFrame = callback => request.call(window, time => {
    if (time !== tick) {
      tick = time;
      previousStart = frameStart;
      frameStart = now();
    }
    return callback(time);
  });
  const log = console.log;
  window.webCaptureAudioTimes = [];
  console.log = function (...words) {
    window.webCaptureAudioTimes.push([now(), previousStart]);
    return log.apply(console, words);
  };
})();"""


class Page:
    """The demo's page: its console lines in order, its state, and page errors on standard error."""

    def __init__(self, tools):
        self.tools = tools
        self.lines = []  # (seconds since the epoch, line)
        self.audio_times = []  # for each line, its audio time and that of the frame before, or None
        self.printed = 0
        self.started = 0.0  # when the page was asked to load, seconds since the epoch
        tools.call('Runtime.enable')
        tools.call('Page.enable')
        tools.call('Page.addScriptToEvaluateOnNewDocument', source=AUDIO_TIMES)

    def load(self, address):
        """Opens the page; its state is asked only once the new document has loaded."""
        self.started = time.time()
        self.tools.call('Page.navigate', url=address)
        while not any(event['method'] == 'Page.loadEventFired' for event in self.tools.events):
            self.tools.wait_events(0.1)
        self.take_events()

    def take_events(self):
        for event in self.tools.events:
            params = event.get('params', {})
            if event['method'] == 'Runtime.consoleAPICalled' and params['type'] == 'log':
                self.lines.append((params['timestamp'] / 1000.0,
                                   ' '.join(str(arg.get('value', '')) for arg in params['args'])))
            elif event['method'] == 'Runtime.exceptionThrown':
                details = params['exceptionDetails']
                print('web-capture: the page threw: %s' %
                      details.get('exception', {}).get('description', details.get('text')), file=sys.stderr)
        self.tools.events.clear()

    def print_lines(self, timed):
        for index in range(self.printed, len(self.lines)):
            stamp, line = self.lines[index]
            if timed:
                audio = ['-' if time is None else '%.3f' % time for time in self.audio_times[index]]
                line = '%.3f\t%s\t%s\t%s' % (stamp - self.started, audio[0], audio[1], line)
            sys.stdout.write(line + '\n')
        self.printed = len(self.lines)
        sys.stdout.flush()

    def state(self):
        # The lines logged before this runs have all reached the events, with their audio times.
        state = self.tools.evaluate('[window.nerethval ? window.nerethval.state : "loading", '
                                    'window.nerethval && window.nerethval.message || "", '
                                    'window.webCaptureAudioTimes.splice(0)]')
        self.take_events()
        self.audio_times += state[2]
        if state[0] == 'failed':
            raise Failed('the page failed: ' + state[1])
        return state[0]

    def wait_state(self, wanted, poll=0.05):
        while True:
            state = self.state()
            if state in wanted:
                return state
            self.tools.wait_events(poll)


def frame_at(tools, time, refusal):
    """The first frame at or after time, as the module counts at its rate (0: no time it reads)."""
    frame = tools.evaluate('Module.ccall("nerethvalFrameAt", "number", ["string"], [%s])' % json.dumps(time))
    if not frame:
        raise Refused('%s, not \'%s\'' % (refusal, time))
    return int(frame)


def fixed_step(page, options, browser_cpu):
    """Steps the demo to each still and to the end (or --seconds), as the capture's frame loop;
    browser_cpu() is the browser's CPU seconds so far, read at the edges of --spans."""
    tools = page.tools
    try:
        page.wait_state(('playing', 'ended'))
    except Failed as error:
        if '?fixed=' in str(error):
            raise Refused('--fps wants a rate of at least 1 frame a second, such as 60, 59.94 or 30000/1001, '
                          'not \'%s\'' % options['fps']) from None
        raise
    ready = time.time() - page.started
    stepping = time.monotonic()
    stills = sorted((frame_at(tools, name, '--at wants times in seconds separated by commas, such as 5,12.5'), name)
                    for name in options['at'] or [])
    last = None
    # The spans' edges are counted here, the first frame at or after each time, so that a build
    # from before nerethvalFrameAt can be timed beside today's.
    fps = fractions.Fraction(options['fps'])
    spans = [(start, end, math.ceil(start * fps), math.ceil(end * fps)) for start, end in options['spans']]
    edges = sorted({edge for _, _, first, after in spans for edge in (first, after)})
    marks = {}  # frame: (wall seconds, browser CPU seconds) when it was reached
    if options['seconds'] is not None:
        last = frame_at(tools, options['seconds'], '--seconds wants a positive number of seconds')
    elif edges:
        last = edges[-1]
    if options['stills']:
        os.makedirs(options['stills'], exist_ok=True)
    frame = 0
    while last is None or frame < last:
        if frame in edges:
            marks[frame] = (time.monotonic(), browser_cpu())
        due = [k for k, _ in stills if k > frame] + [k for k in edges if k > frame] + ([last] if last else [])
        step = min([frame + 600] + due) - frame
        ran = tools.evaluate('Module._nerethvalAdvance(%d)' % step)
        page.take_events()
        page.print_lines(False)
        frame += ran
        for k, name in stills:
            if k == frame and ran:
                pixels = tools.evaluate(
                    '(() => { const w = Module._nerethvalStillWidth(), h = Module._nerethvalStillHeight();'
                    ' const bytes = Module.HEAPU8.subarray(Module._nerethvalStillPixels(), '
                    'Module._nerethvalStillPixels() + w * h * 4); let text = "";'
                    ' for (let i = 0; i < bytes.length; i += 32768)'
                    ' text += String.fromCharCode.apply(null, bytes.subarray(i, i + 32768));'
                    ' return [w, h, btoa(text)]; })()')
                write_still(os.path.join(options['stills'], name + '.png'), pixels[0], pixels[1],
                            base64.b64decode(pixels[2]))
        if ran < step:
            break
    if frame in edges:
        marks[frame] = (time.monotonic(), browser_cpu())
    stepped = time.monotonic() - stepping
    print('web-capture: ready %.2f s after loading began; %d frames in %.1f s (%.1f ms a frame, stills included)' %
          (ready, frame, stepped, 1000 * stepped / max(frame, 1)), file=sys.stderr)
    status = 0
    for start, end, first, after in spans:
        if first not in marks or after not in marks:
            print('web-capture: the run ended before %s s, so span %s-%s was not timed' % (end, start, end),
                  file=sys.stderr)
            status = 1
            continue
        frames = after - first
        wall, cpu = (marks[after][i] - marks[first][i] for i in (0, 1))
        print('web-capture: span %s-%s s: %d frames, %.1f ms wall and %.1f ms browser CPU a frame' %
              (start, end, frames, 1000 * wall / frames, 1000 * cpu / frames), file=sys.stderr)
    for k, name in stills:
        if k > frame:
            print('web-capture: the run ended before %s s, so that still was not written' % name, file=sys.stderr)
            status = 1
    return status


def realtime(page, options):
    """Follows the page playing on its own clock until it ends or --seconds after it started."""
    if options['click']:
        page.wait_state(('waiting',))
        # A real click on the page is the gesture that lets its AudioContext run.
        clicked = time.time()
        for kind in ('mousePressed', 'mouseReleased'):
            page.tools.call('Input.dispatchMouseEvent', type=kind, x=640, y=360, button='left', clickCount=1)
        print('web-capture: clicked at %.3f s' % (clicked - page.started), file=sys.stderr, flush=True)
    page.wait_state(('playing', 'ended'))
    playing = time.monotonic()
    seconds = float(positive_seconds(options['seconds'])) if options['seconds'] is not None else None
    while True:
        state = page.state()
        page.print_lines(True)
        if state == 'ended':
            return 0
        if seconds is not None and time.monotonic() - playing >= seconds:
            return escape(page) if options['escape'] else 0
        page.tools.wait_events(0.1)


def escape(page):
    """Presses Escape on the playing demo, waits for the page to say it ended and tells on stderr
    whether its audio context is closed."""
    # Held as a hand holds it: the demo reads whether Escape is down when its next frame starts.
    page.tools.call('Input.dispatchKeyEvent', type='keyDown', key='Escape', code='Escape', windowsVirtualKeyCode=27)
    page.tools.wait_events(0.4)
    page.tools.call('Input.dispatchKeyEvent', type='keyUp', key='Escape', code='Escape', windowsVirtualKeyCode=27)
    page.wait_state(('ended',))
    page.print_lines(True)
    sound = page.tools.evaluate('Module.pageAudio ? Module.pageAudio.context.state : "none"')
    print('web-capture: ended by Escape, sound %s' % sound, file=sys.stderr, flush=True)
    return 0


def run(options):
    server = serve.start(os.path.abspath(options['build']))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    browser = Browser(options['realtime'], options['click'], options['angle'])
    try:
        # Loading, then the whole demo on a slow software renderer.
        span = float(positive_seconds(options['seconds'])) if options['seconds'] else 200
        deadline = time.monotonic() + 180 + span * (2 if options['realtime'] else 30)
        tools = DevTools(browser.page_address(time.monotonic() + 60), deadline)
        page = Page(tools)
        address = 'http://127.0.0.1:%d/index.html' % server.server_address[1]
        if not options['realtime']:
            # The module reads the rate as the capture does.
            address += '?fixed=' + urllib.parse.quote(options['fps'], safe='')
        page.load(address)
        if options['realtime']:
            return realtime(page, options)
        return fixed_step(page, options, browser.cpu_seconds)
    finally:
        browser.end()
        server.shutdown()


def main():
    if '--help' in sys.argv[1:]:
        sys.stdout.write(USAGE)
        return 0
    try:
        options = parse_options(sys.argv[1:])
    except Refused as error:
        print('web-capture: %s' % error, file=sys.stderr)
        return 2
    # A TERM (a test's timeout) ends the run as Ctrl-C does, through run()'s clean-up.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        return run(options)
    except Refused as error:
        print('web-capture: %s' % error, file=sys.stderr)
        return 2
    except Failed as error:
        print('web-capture: %s' % error, file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # Whoever reads the lines stopped reading (head, a closed pipe): nothing more to say.
        return 1


if __name__ == '__main__':
    sys.exit(main())
