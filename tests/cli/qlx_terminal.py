#!/usr/bin/env python3
"""qlx on a terminal, through pseudo-terminals.

  qlx_terminal.py QLX SCRATCH [WRAPPER]   (WRAPPER: tools/wine-run.sh for qlx.exe)

- The passphrase prompt: typed without echo; encrypt asks twice and refuses a
  mismatch; more than 31 bytes are refused; without a terminal it is a usage error.
  qlx.exe under Wine gets a Windows console on the pseudo-terminal and is asked the same.
- The modes while an operation runs (POSIX only): qlx runs in a background process group of a
  terminal with TOSTOP set, so its first progress notification (the first write to the
  terminal) stops it with SIGTTOU. The work folder and its files are examined then.
Prints one line per failed check; exits 1 when any failed.
"""
import os
import pty
import re
import select
import signal
import stat
import subprocess
import sys
import termios
import time

QLX, SCRATCH = sys.argv[1], sys.argv[2]
WRAPPER = sys.argv[3] if len(sys.argv) > 3 and sys.argv[3] else None
COMMAND = [WRAPPER, QLX] if WRAPPER else [QLX]
failures = []
# Wine's console draws on the terminal with escape sequences (and moves the cursor
# over spaces).
ESCAPES = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]")


def shown(transcript):
    spaced = re.sub(rb"\x1b\[(\d*)C", lambda m: b" " * int(m.group(1) or 1), transcript)
    return ESCAPES.sub(b"", spaced)


def fail(what):
    failures.append(what)
    print("FAIL: " + what, file=sys.stderr)


def drain(fd, timeout=0.2):
    out = b""
    while True:
        ready, _, _ = select.select([fd], [], [], timeout)
        if not ready:
            return out
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            return out
        if not chunk:
            return out
        out += chunk


def run_with_prompt(args, answers):
    """Runs qlx on a new terminal, answering each prompt; (exit status, transcript)."""
    pid, master = pty.fork()
    if pid == 0:
        os.execv(COMMAND[0], COMMAND + args)
    transcript = b""
    pending = list(answers)
    deadline_reads = 0
    # 10 s without output, three times over: qlx is stuck.
    while True:
        ready, _, _ = select.select([master], [], [], 10)
        if not ready:
            deadline_reads += 1
            if deadline_reads > 3:
                os.kill(pid, signal.SIGKILL)
                transcript += b"<timed out>"
                break
            continue
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        transcript += chunk
        # Answer each prompt once it is shown (qlx drops what was typed before).
        text = shown(transcript)
        asked = text.count(b"passphrase")
        if pending and asked > len(answers) - len(pending) and text.rstrip().endswith(b":"):
            if WRAPPER:
                time.sleep(0.5)  # Wine's console reads the line once its echo is off
            os.write(master, pending.pop(0).encode() + (b"\r" if WRAPPER else b"\n"))
    _, status = os.waitpid(pid, 0)
    os.close(master)
    return os.waitstatus_to_exitcode(status), shown(transcript).decode(errors="replace")


def prompts():
    source = os.path.join(SCRATCH, "note.txt")
    with open(source, "w") as f:
        f.write("a note for the prompt\n")
    good = "correct horse battery staple!!!"  # 31 bytes, the most a passphrase holds
    assert len(good) == 31
    out = os.path.join(SCRATCH, "prompted.vek")

    status, text = run_with_prompt(["encrypt", "-o", out, source], [good, good])
    if status != 0:
        fail("prompt, matching: exit %d: %s" % (status, text))
    if good in text:
        fail("prompt, matching: the passphrase was echoed: %r" % text)
    if text.count("passphrase") < 2:
        fail("prompt, matching: encrypt did not ask twice: %r" % text)
    check = subprocess.run(COMMAND + ["check", "--pass", good, out], stdin=subprocess.DEVNULL, capture_output=True)
    if check.returncode != 0:
        fail("prompt, matching: the container does not open with the typed passphrase")

    decrypted = os.path.join(SCRATCH, "prompted-out")
    status, text = run_with_prompt(["decrypt", "-C", decrypted, out], [good])
    if status != 0 or text.count("passphrase") != 1:
        fail("prompt, decrypt: exit %d, transcript %r" % (status, text))
    elif open(os.path.join(decrypted, "note.txt")).read() != "a note for the prompt\n":
        fail("prompt, decrypt: the file did not come back")
    status, text = run_with_prompt(["check", out], ["wrong horse"])
    if status != 1 or "does not open" not in text:
        fail("prompt, check with a wrong passphrase: exit %d, %r" % (status, text))

    other = os.path.join(SCRATCH, "mismatch.vek")
    status, text = run_with_prompt(["encrypt", "-o", other, source], [good, good[:-1] + "?"])
    if status != 2 or "differ" not in text or os.path.exists(other):
        fail("prompt, mismatching: exit %d, %r, container made: %s" % (status, text, os.path.exists(other)))

    long_one = "x" * 32
    status, text = run_with_prompt(["encrypt", "-o", other, source], [long_one, long_one])
    if status != 2 or "at most 31" not in text or os.path.exists(other):
        fail("prompt, 32 bytes: exit %d, %r" % (status, text))
    status, text = run_with_prompt(["decrypt", "-C", decrypted + "2", out], ["y" * 300])
    if status != 2 or "at most 31" not in text or os.path.exists(decrypted + "2"):
        fail("prompt, 300 bytes: exit %d, %r" % (status, text))

    # No terminal: a usage error at once, nothing asked.
    done = subprocess.run(COMMAND + ["encrypt", "-o", other, source], stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=30)
    if done.returncode != 2 or b"needs --pass" not in done.stderr or b"passphrase:" in done.stderr:
        fail("no terminal: exit %d, %r" % (done.returncode, done.stderr))

    if WRAPPER:
        return  # Ctrl+C: Wine's console keeps the terminal's own settings
    # Ctrl+C at the prompt ends qlx and gives the terminal its echo back.
    pid, master = pty.fork()
    if pid == 0:
        os.execv(QLX, [QLX, "check", out])
    text = b""
    while b"passphrase: " not in text:
        ready, _, _ = select.select([master], [], [], 10)
        if not ready:
            break
        text += os.read(master, 4096)
    os.write(master, b"\x03")
    _, status = os.waitpid(pid, 0)
    echo = termios.tcgetattr(master)[3] & termios.ECHO
    os.close(master)
    if not os.WIFSIGNALED(status) or os.WTERMSIG(status) != signal.SIGINT or not echo:
        fail("Ctrl+C at the prompt: status %d, echo %s" % (status, "on" if echo else "off"))


def stopped_at_first_progress(args, tmpdir):
    """Runs qlx with its standard error on a terminal that stops it at its first write.
    Returns (what the work folder held then: [(path, mode, is_folder)], exit status)."""
    master, slave = pty.openpty()
    slave_name = os.ttyname(slave)
    reader, writer = os.pipe()
    helper = os.fork()
    if helper == 0:
        os.close(reader)
        os.close(master)
        os.setsid()
        terminal = os.open(slave_name, os.O_RDWR)  # becomes the controlling terminal
        mode = termios.tcgetattr(terminal)
        mode[3] |= termios.TOSTOP
        termios.tcsetattr(terminal, termios.TCSANOW, mode)
        child = os.fork()
        if child == 0:
            os.setpgid(0, 0)  # a background group: its writes stop it
            signal.signal(signal.SIGTTOU, signal.SIG_DFL)
            os.umask(0o022)
            devnull = os.open(os.devnull, os.O_RDWR)
            os.dup2(devnull, 0)
            os.dup2(devnull, 1)
            os.dup2(terminal, 2)
            os.execve(QLX, [QLX] + args, dict(os.environ, TMPDIR=tmpdir))
        _, status = os.waitpid(child, os.WUNTRACED)
        seen = []
        if os.WIFSTOPPED(status):
            for root, folders, files in os.walk(tmpdir):
                for name in folders + files:
                    path = os.path.join(root, name)
                    info = os.lstat(path)
                    seen.append("%s %o %d" % (os.path.relpath(path, tmpdir), stat.S_IMODE(info.st_mode),
                                                stat.S_ISDIR(info.st_mode)))
            mode[3] &= ~termios.TOSTOP
            termios.tcsetattr(terminal, termios.TCSANOW, mode)
            os.kill(child, signal.SIGCONT)
            _, status = os.waitpid(child, 0)
        else:
            seen.append("<never stopped>")
        os.write(writer, ("\n".join(seen) + "\nexit %d\n" % os.waitstatus_to_exitcode(status)).encode())
        os._exit(0)
    os.close(writer)
    os.close(slave)
    report = b""
    while True:
        drain(master, 0.05)
        ready, _, _ = select.select([reader], [], [], 0.05)
        if ready:
            chunk = os.read(reader, 65536)
            if not chunk:
                break
            report += chunk
    os.waitpid(helper, 0)
    os.close(master)
    lines = report.decode().splitlines()
    entries = [line.rsplit(" ", 2) for line in lines[:-1]]
    return entries, int(lines[-1].split()[1])


def modes():
    tmpdir = os.path.join(SCRATCH, "tmp")
    os.makedirs(tmpdir)
    big = os.path.join(SCRATCH, "big.bin")
    with open(big, "wb") as f:
        f.write(os.urandom(1 << 20))
    container = os.path.join(SCRATCH, "modes.vek")
    for what, args in (("encrypt", ["encrypt", "--pass", "p", "-o", container, big]),
                       ("decrypt", ["decrypt", "--pass", "p", "-C", os.path.join(SCRATCH, "modes-out"), container])):
        entries, status = stopped_at_first_progress(args, tmpdir)
        if status != 0:
            fail("%s stopped at its first progress: exit %d" % (what, status))
        folders = [e for e in entries if len(e) == 3 and e[2] == "1"]
        files = [e for e in entries if len(e) == 3 and e[2] == "0"]
        if not folders or not files:
            fail("%s: no work folder or work file seen while it ran: %s" % (what, entries))
        for name, mode, _ in folders:
            if mode != "700":
                fail("%s: work folder %s has mode %s" % (what, name, mode))
        for name, mode, _ in files:
            if mode != "600":
                fail("%s: work file %s has mode %s" % (what, name, mode))
        print("%s: seen while it ran: %s" % (what, ", ".join(" ".join(e[:2]) for e in entries)))
        if os.listdir(tmpdir):
            fail("%s: the work folder was left behind: %s" % (what, os.listdir(tmpdir)))
    # The outputs themselves get a new file's usual mode (0666 less the umask 022).
    for path in (container, os.path.join(SCRATCH, "modes-out", "big.bin")):
        mode = stat.S_IMODE(os.stat(path).st_mode) if os.path.exists(path) else None
        if mode != 0o644:
            fail("output %s has mode %s, expected 644" % (path, oct(mode) if mode is not None else "(missing)"))


prompts()
if WRAPPER:
    print("skipped under Wine: the modes of work files (Windows keeps them in the user's own temporary folder)")
else:
    modes()
sys.exit(1 if failures else 0)
