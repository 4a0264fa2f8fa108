"""A virtual X display with a private D-Bus session bus, on which the tests start the real programs.

Every process started here runs in a process group of its own and is ended through that group,
whatever happens to the test; every wait polls against a deadline.
"""

import ctypes
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import xml.etree.ElementTree as ElementTree

# Long enough for a loaded CI machine to show a window; a hung program fails the test after it.
DEADLINE = 20.0
# Names that the emulated host's sample gives.
COMPLAINT = "AC000000-0000-4000-8000-000000000001"  # three processes fit its type
OFFER = "AC000000-0000-4000-8000-000000000002"  # one process fits


def poll(what, check, timeout=DEADLINE):
    """Calls check until it returns something true, and returns that; fails after the deadline."""
    end = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise AssertionError(f"{what}: not within {timeout:.0f} seconds")
        time.sleep(0.05)


def read_line(fd, what):
    """The first line written to the pipe, read against the deadline."""
    end = time.monotonic() + DEADLINE
    data = b""
    while not data.endswith(b"\n"):
        remaining = end - time.monotonic()
        if remaining <= 0:
            raise AssertionError(f"{what} did not start within {DEADLINE:.0f} seconds")
        if select.select([fd], [], [], remaining)[0]:
            chunk = os.read(fd, 256)
            if not chunk:
                raise AssertionError(f"{what} ended before it was ready")
            data += chunk
    return data.decode().strip()


def reap_group(group, timeout):
    """Waits for every member of the process group, this process's children as its subreaper; returns
    whether none is left."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            while os.waitpid(-group, os.WNOHANG)[0] > 0:
                pass
        except ChildProcessError:
            return True
        time.sleep(0.02)
    return False


def become_subreaper():
    """Orphans of the programs started here become this process's children, so that ending a process
    group also reaps what its leader left behind."""
    pr_set_child_subreaper = 36
    if ctypes.CDLL(None, use_errno=True).prctl(pr_set_child_subreaper, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def require(*programs):
    missing = [p for p in programs if not shutil.which(p) and not os.access(p, os.X_OK)]
    if missing:
        raise SystemExit(f"missing: {', '.join(missing)}; run tools/install-deps.sh")


def config_rows(path):
    """The configuration file's rows as dictionaries of their attributes, by DSN."""
    rows = {}
    for element in ElementTree.parse(path).iter():
        if element.tag.endswith("}row") and "DSN" in element.attrib:
            rows[element.attrib["DSN"]] = dict(element.attrib)
    return rows


class Session:
    def __init__(self, build, accessibility=False):
        self.tool = os.path.join(os.path.abspath(build), "quorvant-host")
        require("Xvfb", "xdotool", "dbus-daemon", self.tool)
        become_subreaper()
        self.dir = tempfile.mkdtemp(prefix="sv-x11-")
        self.groups = []
        self.runs = []
        try:
            display = self._start_ready(
                ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x1024x24", "-dpi", "96", "-nolisten", "tcp",
                 "-noreset"],
                "Xvfb", os.environ)
            bus = self._start_ready(["dbus-daemon", "--session", "--nofork", "--print-address={fd}"],
                                    "dbus-daemon", os.environ)
            self.env = {k: v for k, v in os.environ.items()
                        if k not in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                                     "SONDERVIK_UI_SCRIPT", "SONDERVIK_UI_TRANSCRIPT")}
            self.env.update(DISPLAY=f":{display}", DBUS_SESSION_BUS_ADDRESS=bus, XDG_RUNTIME_DIR=self.dir,
                            QT_QPA_PLATFORM="xcb")
            if accessibility:
                self._start_accessibility_bus()
        except BaseException:
            self.close()
            raise

    # --- processes -------------------------------------------------------------------------------

    def _spawn(self, argv, env, pass_fds=(), log=None):
        with open(os.path.join(self.dir, (log or os.path.basename(argv[0])) + ".log"), "ab") as output:
            process = subprocess.Popen(argv, env=env, pass_fds=pass_fds, stdin=subprocess.DEVNULL,
                                       stdout=output, stderr=output, start_new_session=True)
        self.groups.append(process)
        return process

    def _start_ready(self, argv, what, env):
        """Starts a program that writes a line to a file descriptor once it serves, and returns that line."""
        read_fd, write_fd = os.pipe()
        try:
            self._spawn([a.replace("{fd}", str(write_fd)) for a in argv], env, pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = None
            return read_line(read_fd, what)
        finally:
            os.close(read_fd)
            if write_fd is not None:
                os.close(write_fd)

    def _start_accessibility_bus(self):
        launcher = "/usr/libexec/at-spi-bus-launcher"
        require(launcher, "dbus-send")
        self._spawn([launcher, "--launch-immediately"], self.env)
        poll("the accessibility bus",
             lambda: "boolean true" in self.bus_call("/", "org.freedesktop.DBus.NameHasOwner",
                                                     "string:org.a11y.Bus", dest="org.freedesktop.DBus"))
        # What a screen reader does when it starts: toolkits then expose their windows.
        self.bus_call("/org/a11y/bus", "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                      "string:IsEnabled", "variant:boolean:true", dest="org.a11y.Bus")

    def bus_call(self, path, method, *args, dest):
        return subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={dest}", path, method, *args],
                              env=self.env, capture_output=True, text=True, timeout=DEADLINE).stdout

    def end(self, process):
        """Ends the process's whole group: asked first, killed when it lingers."""
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                return
            if reap_group(process.pid, timeout=5):
                break
        process.poll()  # the leader may have been reaped with its group: its status is no longer known

    def close(self):
        for process in reversed(self.groups):
            self.end(process)
        self.groups.clear()
        shutil.rmtree(self.dir, ignore_errors=True)

    def wait_exit(self, process, what):
        """The process's exit status, once it has ended."""
        poll(f"{what} to end", lambda: process.poll() is not None)
        return process.returncode

    # --- the emulated host -----------------------------------------------------------------------

    def host_tool(self, *args):
        """Runs quorvant-host to its end and returns its output; fails on a status other than 0."""
        out = os.path.join(self.dir, "tool.out")
        with open(out, "wb") as stdout:
            process = subprocess.Popen([self.tool, *args], env=self.env, stdin=subprocess.DEVNULL, stdout=stdout,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        self.groups.append(process)
        try:
            status = self.wait_exit(process, f"quorvant-host {args[0]}")
        finally:
            self.end(process)
            self.groups.remove(process)
        with open(out, encoding="utf-8") as text:
            output = text.read()
        if status != 0:
            raise AssertionError(f"quorvant-host {' '.join(args)}: status {status}\n{output}")
        return output

    def demo_host(self, name, with_config=True):
        """A demo host with the complaint selected; with_config: the default configuration file made."""
        host = os.path.join(self.dir, name)
        self.host_tool("init", host, "--demo")
        if with_config:
            self.host_tool("set", host, f"selected={OFFER}")
            self.host_tool("start", host, "--steps", "answer Yes; answer No")
        self.host_tool("set", host, f"selected={COMPLAINT}")
        return host

    def start(self, host, *word, transcript=None):
        """Starts the add-in through the emulated host, as a user's host does, with no UI script."""
        env = dict(self.env)
        if transcript:
            env["SONDERVIK_UI_TRANSCRIPT"] = transcript
        run = self._spawn([self.tool, "start", host, *word], env, log="start")
        self.runs.append(run)
        return run

    def end_runs(self):
        """Ends every run started since the last call, so that no window of a failed test stays open
        for the next one."""
        for run in self.runs:
            self.end(run)
            self.groups.remove(run)
        self.runs.clear()

    def sql(self, host, statement):
        return [json.loads(line) for line in self.host_tool("sql", host, statement).splitlines() if line.strip()]

    def started(self, host):
        """The processes started for the complaint, in the order of their start."""
        return [row["BusinessProcess_DSN"] for row in self.sql(
            host, "select BusinessProcess_DSN from BusinessProcessActive "
                  f"where Start_Activity_DSN = '{COMPLAINT}' order by Start_Date")]

    # --- the X display ---------------------------------------------------------------------------

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=DEADLINE).stdout

    def wait_window(self, title, run):
        """The id of the visible window with the title, once the run shows it."""
        def find():
            if run.poll() is not None:
                raise AssertionError(f'the run ended with status {run.returncode} before it showed "{title}":\n'
                                     + self.log("start"))
            ids = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()
            return ids[0] if ids else None
        return poll(f'the window "{title}"', find)

    def log(self, name):
        """The last lines that the programs started under the name wrote."""
        with open(os.path.join(self.dir, name + ".log"), encoding="utf-8", errors="replace") as text:
            return "".join(text.readlines()[-20:])

    def focus(self, window):
        """Gives the window the keyboard, as the desktop does when it is clicked."""
        def focused():
            self.xdotool("windowfocus", window)
            return self.xdotool("getwindowfocus").strip() == window
        poll("the keyboard focus", focused)

    def keys(self, *names):
        self.xdotool("key", "--delay", "50", *names)

    def click(self, window, x, y):
        self.xdotool("mousemove", "--window", window, str(x), str(y), "click", "1")
