#!/usr/bin/python3
"""Start-up time and memory of Wavecrest side by side with Falkon.

Both browsers run on an X server of this benchmark's own (Xvfb with openbox),
one at a time, each with a home directory, runtime directory and session bus
of its own, and a one-line local page as its home page. A round starts each
browser once (the order alternates from round to round) and measures:

- start-up: from starting the process until a window of it that the window
  manager shows carries the home page's title;
- memory: a few seconds later, the proportional set size (PSS) of the
  browser's whole process tree, summed from /proc/PID/smaps_rollup, and
  beside it the tree's private dirty memory: what its processes wrote and
  no other process maps (heaps, stacks, buffers), which does not depend on
  what else runs, unlike PSS and the private total (a library that only one
  process maps is private to it).

Each browser is then closed as a user closes it (its window's close request)
and must end. A first round warms both up (profiles made, files cached) and
does not count.

Wavecrest is installed from the build folder into a temporary prefix, as a
user runs it: everything installed beside the program is in place, and what
it writes (settings, lists, the engine's storage) goes to the per-user folder
of its home directory, as Falkon's does.

PSS shares the pages of a library among the processes that map it, so other
programs of the same engine flatter the figures: the benchmark waits up to a
minute for other Qt WebEngine programs to end and marks a round measured
beside them. Take the figures on a quiet machine; the load average is shown.

Goals (medians): start-up at or below Falkon's; PSS at most 0.7 of Falkon's.

Usage: browser_footprint.py BUILD_DIR
Environment: WAVECREST_BENCH_ROUNDS (default 5), WAVECREST_BENCH_SETTLE_SECONDS
(seconds between the title and the memory reading, default 5),
WAVECREST_BENCH_DISPLAY (the X display number to take, default the first free
one), FALKON (the program, default falkon).
Exits non-zero when a browser could not be started, showed no page or did
not end.
"""

import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

try:
    from Xlib import X, Xatom, display, error
    from Xlib.protocol import event
except ImportError:
    sys.exit("browser_footprint: needs python3-xlib (scripts/install-deps --bench)")

PAGE_TITLE = "Footprint home page"
START_TIMEOUT = 120
CLOSE_TIMEOUT = 30
FOREIGN_ENGINE_WAIT = 60
# Variables that would steer either browser away from how a user runs it.
CLEARED_VARIABLES = (
    "QT_QPA_PLATFORM", "QT_QUICK_BACKEND", "QT_XCB_GL_INTEGRATION", "LIBGL_ALWAYS_SOFTWARE",
    "QTWEBENGINE_CHROMIUM_FLAGS", "QT_LOGGING_RULES", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
    "XDG_CACHE_HOME", "XDG_STATE_HOME", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")


def fail(message):
    sys.exit("browser_footprint: " + message)


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


# Processes -----------------------------------------------------------------

def parent_map():
    parents = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        # The command name in brackets may hold spaces and brackets itself.
        fields = stat[stat.rfind(")") + 2:].split()
        parents[int(name)] = int(fields[1])
    return parents


def process_tree(root):
    parents = parent_map()
    tree, grew = {root}, True
    while grew:
        grew = False
        for pid, parent in parents.items():
            if parent in tree and pid not in tree:
                tree.add(pid)
                grew = True
    return sorted(pid for pid in tree if pid == root or pid in parents)


def rollup(pid, field):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def engine_type(pid):
    # The engine's processes rewrite their command line as one string.
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            arguments = f.read().replace(b"\0", b" ").split()
    except OSError:
        return ""
    for argument in arguments:
        if argument.startswith(b"--type="):
            if b"--no-zygote-sandbox" in arguments:
                return "zygote (unsandboxed)"
            return argument[7:].decode()
    return ""


def tree_memory(root):
    """Kind, PSS and private dirty memory in KiB of each process of the tree."""
    parents = parent_map()
    memory = []
    for pid in process_tree(root):
        kind = engine_type(pid) or "main"
        # What a zygote forks keeps the zygote's command line.
        if kind.startswith("zygote") and engine_type(parents.get(pid, 0)).startswith("zygote"):
            kind = "renderer"
        memory.append((pid, kind, rollup(pid, "Pss"),
                       rollup(pid, "Private_Dirty")))
    return memory


def foreign_engine_processes(own):
    """Processes outside `own` that map a Qt WebEngine core library."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) in own or int(name) == os.getpid():
            continue
        try:
            with open(f"/proc/{name}/maps") as f:
                if "WebEngineCore" in f.read():
                    found.append(int(name))
        except OSError:
            continue
    return found


def wait_for_quiet_engine():
    deadline = time.monotonic() + FOREIGN_ENGINE_WAIT
    while True:
        others = foreign_engine_processes(set())
        if not others or time.monotonic() > deadline:
            return len(others)
        time.sleep(2)


def end_tree(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


# The X server ---------------------------------------------------------------

class Screen:
    """Xvfb with openbox, and a connection that watches the managed windows."""

    def __init__(self, workdir, number):
        # The server says its number once it listens; without one asked for,
        # it takes the first free one.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb"] + ([":" + number] if number else []) + [
                "-displayfd", str(write_end), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
            pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        # The number and its line end come in two writes; closing the pipe
        # between them would end the server.
        said = b""
        while not said.endswith(b"\n") and select.select([read_end], [], [], 30)[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            said += chunk
        os.close(read_end)
        number = said.decode().strip()
        if not number:
            self.xvfb.kill()
            fail("Xvfb did not start")
        self.name = ":" + number
        # The default configuration, not the user's.
        self.openbox = subprocess.Popen(
            ["openbox"], env=dict(base_variables(), DISPLAY=self.name, HOME=workdir),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=workdir)
        self.connection = display.Display(self.name)
        self.root = self.connection.screen().root
        self.atoms = {name: self.connection.intern_atom(name) for name in (
            "_NET_CLIENT_LIST", "_NET_WM_NAME", "_NET_WM_PID", "_NET_SUPPORTING_WM_CHECK",
            "UTF8_STRING", "WM_PROTOCOLS", "WM_DELETE_WINDOW")}
        self.root.change_attributes(event_mask=X.PropertyChangeMask)
        self._wait_for_window_manager()

    def _wait_for_window_manager(self):
        deadline = time.monotonic() + 30
        while self.root.get_full_property(self.atoms["_NET_SUPPORTING_WM_CHECK"],
                                          X.AnyPropertyType) is None:
            if time.monotonic() > deadline:
                fail("openbox did not start")
            time.sleep(0.05)

    def clients(self):
        prop = self.root.get_full_property(self.atoms["_NET_CLIENT_LIST"], Xatom.WINDOW)
        return list(prop.value) if prop else []

    def title(self, window_id):
        window = self.connection.create_resource_object("window", window_id)
        try:
            prop = window.get_full_property(self.atoms["_NET_WM_NAME"], self.atoms["UTF8_STRING"])
            if prop is None:
                prop = window.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
        except error.XError:
            return ""
        if prop is None:
            return ""
        value = prop.value
        return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)

    def wait_for_title(self, text, process, deadline):
        """Seconds on the monotonic clock when a managed window shows `text`."""
        watched = set()
        while time.monotonic() < deadline:
            for window_id in self.clients():
                if window_id not in watched:
                    watched.add(window_id)
                    window = self.connection.create_resource_object("window", window_id)
                    try:
                        window.change_attributes(event_mask=X.PropertyChangeMask)
                    except error.XError:
                        continue
                    self.connection.sync()
                if text in self.title(window_id):
                    return time.monotonic()
            if process.poll() is not None:
                return None
            self._wait_for_event(deadline)
        return None

    def _wait_for_event(self, deadline):
        # Any property change may be the title or the client list; both are
        # read again afterwards, so the events themselves are only drained.
        if not self.connection.pending_events():
            timeout = max(0.0, min(0.5, deadline - time.monotonic()))
            select.select([self.connection.fileno()], [], [], timeout)
        while self.connection.pending_events():
            self.connection.next_event()

    def close_windows_of(self, pid):
        for window_id in self.clients():
            window = self.connection.create_resource_object("window", window_id)
            try:
                prop = window.get_full_property(self.atoms["_NET_WM_PID"], Xatom.CARDINAL)
            except error.XError:
                continue
            if prop is None or prop.value[0] != pid:
                continue
            request = event.ClientMessage(
                window=window, client_type=self.atoms["WM_PROTOCOLS"],
                data=(32, [self.atoms["WM_DELETE_WINDOW"], X.CurrentTime, 0, 0, 0]))
            window.send_event(request)
        self.connection.sync()

    def stop(self):
        self.connection.close()
        for server in (self.openbox, self.xvfb):
            server.terminate()
            server.wait()


# The browsers ---------------------------------------------------------------

class Browser:
    def __init__(self, name, command, home, environment):
        self.name = name
        self.command = command
        self.home = home
        self.environment = environment
        self.startups = []
        self.memories = []
        self.privates = []
        self.last_breakdown = []
        self.beside = 0

    def run_once(self, screen, settle_seconds, logfile):
        with open(logfile, "ab") as log:
            started = time.monotonic()
            process = subprocess.Popen(self.command, env=self.environment, cwd=self.home,
                                       stdout=log, stderr=log, start_new_session=True)
            shown = screen.wait_for_title(PAGE_TITLE, process, started + START_TIMEOUT)
            if shown is None:
                end_tree(process_tree(process.pid))
                fail(f"{self.name} showed no page title within {START_TIMEOUT} s; "
                     f"it said:\n{last_lines(logfile)}")
            time.sleep(settle_seconds)
            breakdown = tree_memory(process.pid)
            tree = [pid for pid, _, _, _ in breakdown]
            # One that started since the round began shares pages just as well.
            self.beside = len(foreign_engine_processes(set(tree)))
            screen.close_windows_of(process.pid)
            try:
                process.wait(CLOSE_TIMEOUT)
            except subprocess.TimeoutExpired:
                end_tree(process_tree(process.pid))
                fail(f"{self.name} did not end within {CLOSE_TIMEOUT} s of its window's close")
            self._wait_for_children(tree)
        return shown - started, breakdown

    def _wait_for_children(self, tree):
        deadline = time.monotonic() + CLOSE_TIMEOUT
        while any(os.path.exists(f"/proc/{pid}") for pid in tree):
            if time.monotonic() > deadline:
                end_tree(tree)
                fail(f"{self.name} left processes behind")
            time.sleep(0.1)


def last_lines(path, count=20):
    with open(path, errors="replace") as f:
        return "".join(f.readlines()[-count:])


def base_variables():
    return {key: value for key, value in os.environ.items() if key not in CLEARED_VARIABLES}


def base_environment(screen, home, bus_address):
    environment = base_variables()
    runtime = os.path.join(home, "run")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    environment.update(HOME=home, DISPLAY=screen.name, XDG_RUNTIME_DIR=runtime,
                       DBUS_SESSION_BUS_ADDRESS=bus_address)
    if os.geteuid() == 0:
        environment["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    return environment


def make_page(workdir):
    path = os.path.join(workdir, "home.html")
    with open(path, "w") as f:
        f.write(f"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>{PAGE_TITLE}"
                "</title></head><body><p>A simple page.</p></body></html>\n")
    return "file://" + path


def install_wavecrest(build_dir, workdir):
    prefix = os.path.join(workdir, "prefix")
    result = subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        fail("could not install the build into a temporary prefix:\n" + result.stderr)
    return os.path.join(prefix, "bin", "wavecrest")


def wavecrest_browser(program, workdir, page, screen, bus):
    home = os.path.join(workdir, "home-wavecrest")
    data = os.path.join(home, ".local", "share", "Brimlow", "Wavecrest")
    os.makedirs(data)
    with open(os.path.join(data, "Wavecrest.ini"), "w") as f:
        f.write(f"[Wavecrest]\nHomePage={page}\n")
    return Browser("Wavecrest", [program], home, base_environment(screen, home, bus))


def falkon_browser(program, workdir, page, screen, bus):
    home = os.path.join(workdir, "home-falkon")
    profile = os.path.join(home, ".config", "falkon", "profiles", "default")
    os.makedirs(profile)
    # afterLaunch 1: open the home page, as the other browser does.
    with open(os.path.join(profile, "settings.ini"), "w") as f:
        f.write(f"[Web-URL-Settings]\nhomepage={page}\nafterLaunch=1\n")
    # Extensions off: the other browser has none.
    return Browser("Falkon", [program, "--no-extensions"], home,
                   base_environment(screen, home, bus))


def start_session_bus(workdir):
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=workdir,
                           text=True)
    address = bus.stdout.readline().strip()
    if not address:
        bus.kill()
        fail("dbus-daemon did not start")
    return bus, address


# Report ---------------------------------------------------------------------

def spread(values, unit, scale=1.0):
    return (f"median {statistics.median(values) * scale:8.1f} {unit}, "
            f"min {min(values) * scale:.1f}, max {max(values) * scale:.1f}")


def report(browsers, marked_rounds, rounds):
    ours, theirs = browsers
    print(f"\n{rounds} rounds; load average now {load_average()}")
    if marked_rounds:
        print(f"warning: {marked_rounds} round(s) ran beside other Qt WebEngine programs; "
              "their PSS is too low")
    for browser in browsers:
        print(f"{browser.name:10s} start-up {spread(browser.startups, 'ms', 1000)}")
        print(f"{browser.name:10s} PSS      {spread(browser.memories, 'MB', 1 / 1024)}")
        print(f"{browser.name:10s} dirty    {spread(browser.privates, 'MB', 1 / 1024)}")
    startup_ratio = statistics.median(ours.startups) / statistics.median(theirs.startups)
    memory_ratio = statistics.median(ours.memories) / statistics.median(theirs.memories)
    paired = [a / b for a, b in zip(ours.memories, theirs.memories)]
    print(f"start-up  {ours.name} / {theirs.name}: {startup_ratio:.2f} (goal <= 1.00: "
          f"{'met' if startup_ratio <= 1.0 else 'missed'})")
    print(f"PSS       {ours.name} / {theirs.name}: {memory_ratio:.2f} (goal <= 0.70: "
          f"{'met' if memory_ratio <= 0.7 else 'missed'}); per round "
          + ", ".join(f"{r:.2f}" for r in paired))
    private_ratio = statistics.median(ours.privates) / statistics.median(theirs.privates)
    print(f"private dirty {ours.name} / {theirs.name}: {private_ratio:.2f}")
    for browser in browsers:
        print(f"\n{browser.name}, last round, per process (KiB):")
        for pid, kind, pss, private in browser.last_breakdown:
            print(f"  {kind:22s} PSS {pss:7d}  private dirty {private:7d}")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build_dir = os.path.abspath(sys.argv[1])
    rounds = max(1, int(os.environ.get("WAVECREST_BENCH_ROUNDS", "5")))
    settle = float(os.environ.get("WAVECREST_BENCH_SETTLE_SECONDS", "5"))
    falkon = shutil.which(os.environ.get("FALKON", "falkon"))
    for tool in ("Xvfb", "openbox", "dbus-daemon", "cmake"):
        if not shutil.which(tool):
            fail(f"needs {tool} (scripts/install-deps --bench)")
    if not falkon:
        fail("needs Falkon to compare with (scripts/install-deps --bench)")

    with tempfile.TemporaryDirectory(prefix="wavecrest-footprint-",
                                     ignore_cleanup_errors=True) as workdir:
        screen = Screen(workdir, os.environ.get("WAVECREST_BENCH_DISPLAY", "").lstrip(":"))
        try:
            bus, bus_address = start_session_bus(workdir)
            try:
                page = make_page(workdir)
                browsers = (
                    wavecrest_browser(install_wavecrest(build_dir, workdir), workdir, page,
                                      screen, bus_address),
                    falkon_browser(falkon, workdir, page, screen, bus_address))
                measure(browsers, screen, rounds, settle, workdir)
            finally:
                bus.terminate()
                bus.wait()
        finally:
            screen.stop()


def measure(browsers, screen, rounds, settle, workdir):
    print(f"Start-up to the home page's title and PSS of the process tree, "
          f"{browsers[0].name} against {browsers[1].name}; load average {load_average()}")
    marked = 0
    # Round 0 warms up and does not count.
    for round_number in range(rounds + 1):
        order = browsers if round_number % 2 == 0 else tuple(reversed(browsers))
        beside = 0
        for browser in order:
            beside = max(beside, wait_for_quiet_engine())
            seconds, breakdown = browser.run_once(
                screen, settle, os.path.join(workdir, browser.name + ".log"))
            beside = max(beside, browser.beside)
            if round_number == 0:
                continue
            browser.startups.append(seconds)
            browser.memories.append(sum(pss for _, _, pss, _ in breakdown))
            browser.privates.append(sum(private for _, _, _, private in breakdown))
            browser.last_breakdown = breakdown
        if round_number == 0:
            continue
        marked += 1 if beside else 0
        print(f"round {round_number}: " + "; ".join(
            f"{b.name} {b.startups[-1] * 1000:.0f} ms, {b.memories[-1] / 1024:.1f} MB"
            for b in browsers) + (" (beside other Qt WebEngine programs)" if beside else ""),
            flush=True)
    report(browsers, marked, rounds)

if __name__ == "__main__":
    main()
