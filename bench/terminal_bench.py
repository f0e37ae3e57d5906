#!/usr/bin/env python3
"""Measures the real qvchat program in a real terminal (tmux), each case against a loopback
server on this machine:

  side-by-side  qvchat receiving a burst from qvdemo --flood, against irssi receiving an
                equivalent burst from irc_flood_server.py and logging it; wall time from the
                first line sent to the last line logged, and the CPU seconds of each client
                process (utime + stime from /proc/<pid>/stat) over the same span; each round
                also runs the thread-per-message cap (qvbench_pipeline_burst ... cap), and
                qvchat's rate is given as a share of it
  idle          CPU seconds of a connected, idle qvchat over 60 seconds, and its wake-ups
  idle-silent   the same with a server that sends nothing meanwhile (no clock, no pings)
  memory        peak RSS (VmHWM) of qvchat after 10,000 and after 1,000,000 received lines
  memory-long   peak RSS of qvchat after floods of long lines (60,000 bytes) and of short ones
                (100 bytes), and how many lines the chat kept (the oldest one Home shows)
  shutdown      time from "#exit" to the end of the process, idle and during a flood
  reader        the same burst received by the curses screen and by the reader front-end
                (--reader): wall time until the last line is logged and until it shows in
                the terminal, and the CPU seconds of qvchat over that span

Usage: terminal_bench.py --build BUILD_DIR [--rounds N] [--lines N] [CASE ...]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
COLUMNS, ROWS = 100, 30
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
POLL = 0.001
DEADLINE = 600


def cpu_seconds(pid):
    """utime + stime of the whole process (every thread, finished ones included)."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def status_field(pid, name):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    raise KeyError(name)


def context_switches(pid):
    """Voluntary and involuntary switches of the live threads of the process."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total


def has_ended(pid):
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except FileNotFoundError:
        return True


def wait_for(condition, what, deadline=DEADLINE, pause=POLL):
    give_up = time.monotonic() + deadline
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > give_up:
            raise RuntimeError("timed out waiting for " + what)
        time.sleep(pause)


class FileWatch:
    """Follows a growing text file without reading it again from the start."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.tail = ""

    def contains(self, text):
        try:
            with open(self.path, "rb") as file:
                file.seek(self.offset)
                chunk = file.read()
        except FileNotFoundError:
            return False
        self.offset += len(chunk)
        window = self.tail + chunk.decode("latin-1")
        found = text in window
        self.tail = window[-(len(text) + 256):]
        return found


class Tmux:
    """One program in a detached tmux session on a server of its own."""

    def __init__(self, command):
        self.socket = "qvbench-%d-%d" % (os.getpid(), time.monotonic_ns())
        self.tmux("new-session", "-d", "-x", str(COLUMNS), "-y", str(ROWS), command)
        self.pid = int(self.tmux("list-panes", "-F", "#{pane_pid}").split()[0])

    def tmux(self, *arguments):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] + list(arguments),
                              check=True, capture_output=True, text=True).stdout

    def type(self, text):
        self.tmux("send-keys", "-l", text)

    def press(self, key):
        self.tmux("send-keys", key)

    def shows(self, text):
        return text in self.tmux("capture-pane", "-p", "-J")

    def close(self):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"], capture_output=True)


class Server:
    """A loopback server process whose first output line is "listening on HOST:PORT"."""

    def __init__(self, command, folder, name):
        self.stdout_path = os.path.join(folder, name + ".out")
        self.stderr_path = os.path.join(folder, name + ".err")
        with open(self.stdout_path, "w") as out, open(self.stderr_path, "w") as err:
            self.process = subprocess.Popen(command, stdout=out, stderr=err)
        self.port = int(wait_for(self.read_port, name + " to listen", deadline=30).split(":")[-1])

    def read_port(self):
        with open(self.stdout_path) as out:
            line = out.readline()
        return line.strip() if line.endswith("\n") and line.startswith("listening on") else None

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class QvchatRun:
    """qvchat in tmux against qvdemo, in a scratch folder with its own settings and logs."""

    def __init__(self, build, flood=0, demo_options=(), client_options=(), settings=""):
        self.folder = tempfile.mkdtemp(prefix="qvbench-")
        demo = [os.path.join(build, "tools", "qvdemo"), "--port", "0", "--quiet", "--once"]
        demo += list(demo_options)
        if flood:
            demo += ["--flood", str(flood)]
        self.server = Server(demo, self.folder, "qvdemo")
        with open(os.path.join(self.folder, "servers.lst"), "w") as servers:
            servers.write("test test 127.0.0.1 %d\n" % self.server.port)
        extra = settings
        with open(os.path.join(self.folder, "qv.ini"), "w") as settings:
            # Combined log: every line of the burst, server text too, is logged.
            settings.write("#username = Wanderer\n#password = demo\n#log_chat = 2\n")
            # More settings for a run, one a line, e.g. QVBENCH_SETTINGS='#scrollback = 100000'.
            settings.write(os.environ.get("QVBENCH_SETTINGS", "") + "\n" + extra + "\n")
        self.log = FileWatch(os.path.join(self.folder, "documents", "Quorvan", "test",
                                          "chat_log.txt"))
        self.server_messages = FileWatch(self.server.stderr_path)
        self.terminal = Tmux("cd %s && exec env XDG_DOCUMENTS_DIR=%s/documents %s %s test" % (
            self.folder, self.folder, os.path.join(build, "app", "qvchat"),
            " ".join(client_options)))
        self.pid = self.terminal.pid

    def wait_for_login(self):
        wait_for(lambda: self.server_messages.contains("login accepted"), "the qvchat login")
        return time.monotonic()

    def wait_for_burst_start(self):
        """qvdemo's own time stamp, taken just before it sends the first flood byte (after it has
        built the flood, as the cap's stream is built before its clock starts)."""
        def start_time():
            with open(self.server.stderr_path, errors="replace") as err:
                for line in err:
                    if ": flood start " in line:
                        return float(line.split()[-1])
            return None
        return wait_for(start_time, "the qvdemo flood to start")

    def wait_for_line(self, text):
        wait_for(lambda: self.log.contains(text), "'%s' in the qvchat log" % text)
        return time.monotonic()

    def exit_and_time(self):
        """Types "#exit" and Enter; seconds from the Enter key to the end of the process."""
        self.terminal.type("#exit")
        start = time.monotonic()
        self.terminal.press("Enter")
        wait_for(lambda: has_ended(self.pid), "qvchat to end", deadline=30)
        return time.monotonic() - start

    def close(self):
        self.terminal.close()
        self.server.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class IrssiRun:
    """irssi in tmux against irc_flood_server.py, logging every message to one file."""

    def __init__(self, lines):
        self.folder = tempfile.mkdtemp(prefix="qvbench-irssi-")
        self.server = Server([sys.executable, os.path.join(HERE, "irc_flood_server.py"),
                              str(lines)], self.folder, "ircd")
        home = os.path.join(self.folder, "home")
        os.makedirs(home)
        log_path = os.path.join(self.folder, "irssi.log")
        with open(os.path.join(home, "config"), "w") as config:
            config.write('settings = { core = { real_name = "bench"; user_name = "bench"; '
                         'nick = "benchuser"; }; };\n')
        with open(os.path.join(home, "startup"), "w") as startup:
            startup.write("/LOG OPEN %s ALL\n" % log_path)
        self.log = FileWatch(log_path)
        self.terminal = Tmux("exec irssi --home=%s -c 127.0.0.1 -p %d -n benchuser" % (
            home, self.server.port))
        self.pid = self.terminal.pid

    def wait_for_burst_start(self):
        """The server's own time stamp, taken just before it sends the first flood byte."""
        def start_time():
            with open(self.server.stdout_path) as out:
                for line in out:
                    if line.startswith("flood start "):
                        return float(line.split()[2])
            return None
        return wait_for(start_time, "the IRC flood to start")

    def wait_for_line(self, text):
        wait_for(lambda: self.log.contains(text), "'%s' in the irssi log" % text)
        return time.monotonic()

    def close(self):
        self.terminal.close()
        self.server.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def last_marker(lines):
    return "flood %d of %d " % (lines, lines)


def burst(run, lines):
    """Wall and CPU seconds of the client of `run` from the start of its burst to the last line
    in its log."""
    try:
        start = run.wait_for_burst_start()
        cpu_before = cpu_seconds(run.pid)
        end = run.wait_for_line(last_marker(lines))
        return end - start, cpu_seconds(run.pid) - cpu_before
    finally:
        run.close()


def thread_cap(build, lines):
    """Lines a second through the real Client with one dispatch thread a message and a callback
    that only counts; None without the benchmarks built."""
    program = os.path.join(build, "bench", "qvbench_pipeline_burst")
    if not os.path.exists(program):
        return None
    output = subprocess.run([program, str(lines), "1", "cap"], check=True, capture_output=True,
                            text=True).stdout
    for line in output.splitlines():
        if line.startswith("cap "):
            return float(line.split()[2])
    raise RuntimeError("no cap in: " + output)


def side_by_side(build, lines, rounds):
    with_irssi = shutil.which("irssi") is not None
    if not with_irssi:
        print("side-by-side: irssi is not installed (scripts/bench installs it); qvchat alone")
    results = {"qvchat": [], "irssi": []} if with_irssi else {"qvchat": []}
    caps = []
    for _ in range(rounds):
        results["qvchat"].append(burst(QvchatRun(build, flood=lines), lines))
        caps.append(thread_cap(build, lines))
        if with_irssi:
            results["irssi"].append(burst(IrssiRun(lines), lines))
    print("side-by-side burst of %d lines in tmux %dx%d, %d rounds (medians):" % (
        lines, COLUMNS, ROWS, rounds))
    medians = {}
    for name, samples in results.items():
        wall = statistics.median(sample[0] for sample in samples)
        cpu = statistics.median(sample[1] for sample in samples)
        medians[name] = (wall, cpu)
        print("  %-7s wall %6.2f s (%6.0f lines/s)  CPU %6.2f s   runs: %s" % (
            name, wall, lines / wall, cpu,
            ", ".join("%.2f s / %.2f s CPU" % sample for sample in samples)))
    if with_irssi:
        print("  qvchat / irssi: wall %.2f, CPU %.2f (target: at most 1.00 each)" % (
            medians["qvchat"][0] / medians["irssi"][0],
            medians["qvchat"][1] / medians["irssi"][1]))
    if None not in caps:
        shares = [lines / sample[0] / cap for sample, cap in zip(results["qvchat"], caps)]
        print("  qvchat / thread-per-message cap: %.2f (target at least 0.90)   cap %.0f lines/s"
              "   rounds: %s" % (statistics.median(shares), statistics.median(caps),
                                 ", ".join("%.2f" % share for share in shares)))


def reader_and_screen(build, lines, rounds):
    """The burst through the curses screen and through the reader front-end, one after the other
    in each round."""
    fronts = (("curses screen", ()), ("reader", ("--reader",)))
    results = {name: [] for name, _ in fronts}
    marker = last_marker(lines)
    for _ in range(rounds):
        for name, options in fronts:
            run = QvchatRun(build, flood=lines, client_options=options)
            try:
                start = run.wait_for_burst_start()
                cpu_before = cpu_seconds(run.pid)
                logged = run.wait_for_line(marker) - start
                shown = wait_for(lambda: run.terminal.shows(marker) and time.monotonic(),
                                 "the last line on the screen", pause=0.01) - start
                results[name].append((logged, shown, cpu_seconds(run.pid) - cpu_before))
            finally:
                run.close()
    print("burst of %d lines in tmux %dx%d, curses screen and reader, %d rounds (medians):" % (
        lines, COLUMNS, ROWS, rounds))
    for name, samples in results.items():
        print("  %-13s logged %6.2f s  shown %6.2f s  CPU %6.2f s   runs: %s" % (
            name, statistics.median(sample[0] for sample in samples),
            statistics.median(sample[1] for sample in samples),
            statistics.median(sample[2] for sample in samples),
            ", ".join("%.2f/%.2f s, %.2f s CPU" % sample for sample in samples)))


# The server sends its clock once an hour and no pings: what is left is the client's own cost.
SILENT_SERVER = ("--game-minute-ms", "3600000", "--ping-interval-ms", "0")


def idle(build, seconds, demo_options=(), label="idle"):
    run = QvchatRun(build, demo_options=demo_options)
    try:
        run.wait_for_login()
        time.sleep(3)  # start-up and the welcome burst are not idle time
        cpu_before = cpu_seconds(run.pid)
        switches_before = context_switches(run.pid)
        time.sleep(seconds)
        cpu = cpu_seconds(run.pid) - cpu_before
        switches = context_switches(run.pid) - switches_before
    finally:
        run.close()
    print("%s: %.3f CPU seconds over %d s (target under 0.1 per minute), "
          "%d context switches (%.1f per second)" % (label, cpu, seconds, switches,
                                                     switches / seconds))


def memory(build, counts):
    for lines in counts:
        run = QvchatRun(build, flood=lines)
        try:
            run.wait_for_login()
            run.wait_for_line(last_marker(lines))
            peak = status_field(run.pid, "VmHWM")
            now = status_field(run.pid, "VmRSS")
        finally:
            run.close()
        print("memory after %9d lines: peak RSS %7.1f MiB, RSS %7.1f MiB" % (
            lines, peak / 1024, now / 1024))


def oldest_kept(run, lines):
    """The number of the oldest flood line the chat still has: Alt-Home shows it at the top."""
    run.terminal.press("M-Home")

    def top_marker():
        for row in run.terminal.tmux("capture-pane", "-p").splitlines()[1:]:
            words = row.split("flood ", 1)[-1].split()
            if "flood " in row and len(words) > 2 and words[1] == "of" and words[0].isdigit():
                return int(words[0])
        return None
    first = wait_for(top_marker, "the oldest line kept", deadline=30, pause=0.05)
    # The view settles once Home is painted: the oldest stays the same a moment later.
    time.sleep(0.5)
    return lines - (top_marker() or first) + 1


def memory_long(build):
    cases = ((4000, 60000, ""), (4000, 60000, "#scrollback = 1000000"),
             (1000000, 100, "#scrollback = 1000000"))
    for lines, text_bytes, settings in cases:
        run = QvchatRun(build, flood=lines, demo_options=("--flood-bytes", str(text_bytes)),
                        settings=settings)
        try:
            run.wait_for_login()
            run.wait_for_line(last_marker(lines))
            peak = status_field(run.pid, "VmHWM")
            now = status_field(run.pid, "VmRSS")
            # The default keeps display rows: the top one is in the middle of a long text.
            kept = "%d lines kept" % oldest_kept(run, lines) if settings else "1000 rows kept"
        finally:
            run.close()
        print("memory after %7d lines of %5d bytes (%s): peak RSS %6.1f MiB, RSS %6.1f MiB, %s"
              % (lines, text_bytes, settings or "default scroll-back", peak / 1024, now / 1024,
                 kept))


def shutdown(build, rounds):
    idle_times, flood_times = [], []
    for _ in range(rounds):
        run = QvchatRun(build)
        try:
            run.wait_for_login()
            time.sleep(1)
            idle_times.append(run.exit_and_time())
        finally:
            run.close()
        run = QvchatRun(build, flood=1000000)
        try:
            run.wait_for_login()
            run.wait_for_line("flood 20000 of 1000000 ")
            flood_times.append(run.exit_and_time())
        finally:
            run.close()
    for name, times in (("idle", idle_times), ("during a flood", flood_times)):
        print("shutdown %-14s median %5.0f ms (runs: %s; target under 200 ms)" % (
            name, statistics.median(times) * 1000, ", ".join("%.0f" % (t * 1000) for t in times)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder with qvchat and qvdemo")
    parser.add_argument("--lines", type=int, default=100000, help="lines of the burst")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--idle-seconds", type=int, default=60)
    parser.add_argument("cases", nargs="*",
                        default=["side-by-side", "idle", "idle-silent", "memory", "memory-long",
                                 "shutdown", "reader"])
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    for case in args.cases:
        if case == "side-by-side":
            side_by_side(build, args.lines, args.rounds)
        elif case == "idle":
            idle(build, args.idle_seconds)
        elif case == "idle-silent":
            idle(build, args.idle_seconds, SILENT_SERVER, "idle, silent server")
        elif case == "memory":
            memory(build, (10000, 1000000))
        elif case == "memory-long":
            memory_long(build)
        elif case == "shutdown":
            shutdown(build, args.rounds)
        elif case == "reader":
            reader_and_screen(build, args.lines, args.rounds)
        else:
            parser.error("unknown case " + case)
        sys.stdout.flush()


if __name__ == "__main__":
    main()
