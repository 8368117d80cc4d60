#!/usr/bin/env python3
# rulecore: an embeddable expert-system shell.
# Drives interactive rulesh sessions through a pseudo-terminal, as a person
# at a terminal would: typing lines, pressing Tab, the up arrow and Ctrl-C.
# Each check waits for the text it expects with a generous timeout, so that
# slow machines pass and a hung shell fails instead of blocking the suite.
#
#   pty_session.py RULESH CASE     (CASE: one of the functions named below)
import os
import pty
import re
import select
import signal
import sys
import tempfile
import time

TIMEOUT = 30.0  # seconds for any expected text to appear

ANSI = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[()][A-Z0-9]|\x1b[=>]|\r|\x07|\x08")


class Failure(Exception):
    pass


class Session:
    def __init__(self, rulesh, home, args=()):
        env = dict(os.environ)
        env["HOME"] = home
        env["RULESH_HISTORY"] = os.path.join(home, "history")
        env["TERM"] = "xterm"
        env.pop("EDITRC", None)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execve(rulesh, [rulesh, *args], env)
        self.raw = b""
        self.seen = 0  # how much of the output the checks have consumed

    def text(self):
        return ANSI.sub(b"", self.raw).decode("utf-8", "replace")

    def _read(self, deadline):
        left = deadline - time.monotonic()
        if left <= 0:
            return False
        ready, _, _ = select.select([self.fd], [], [], min(left, 0.5))
        if ready:
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # the shell closed the terminal
                return False
            if not chunk:
                return False
            self.raw += chunk
        return True

    def expect(self, pattern):
        """Waits for `pattern` (a regular expression) in the output after
        what earlier checks consumed; returns the match."""
        deadline = time.monotonic() + TIMEOUT
        regex = re.compile(pattern)
        while True:
            match = regex.search(self.text(), self.seen)
            if match:
                self.seen = match.end()
                return match
            if not self._read(deadline):
                match = regex.search(self.text(), self.seen)
                if match:
                    self.seen = match.end()
                    return match
                raise Failure("expected %r; the output after the last check was:\n%s"
                              % (pattern, self.text()[self.seen:]))

    def prompt(self):
        return self.expect(r"rulesh> ")

    def send(self, keys):
        os.write(self.fd, keys.encode())

    def line(self, text):
        self.send(text + "\r")

    def wait_exit(self, timeout=TIMEOUT, must=True):
        """Reads until the shell ends; returns its exit status (None when it
        did not end in time and `must` is false)."""
        deadline = time.monotonic() + timeout
        while self._read(deadline):
            pass
        while time.monotonic() < deadline:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.pid = 0
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.05)
        if not must:
            return None
        raise Failure("the shell did not end; its output:\n" + self.text())

    def leave_with_ctrl_d(self):
        """Presses Ctrl-D at the empty prompt until the shell ends and returns
        its exit status. A Ctrl-D that reaches the terminal in the instant
        before the editor takes it over is an end of line to the terminal
        driver and vanishes; a user would press it again, and so does this."""
        for _ in range(5):
            self.send("\x04")
            status = self.wait_exit(timeout=3.0, must=False)
            if status is not None:
                return status
        return self.wait_exit()

    def close(self):
        if self.pid:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        os.close(self.fd)


def check(condition, message):
    if not condition:
        raise Failure(message)


# ---------------------------------------------------------------- cases

def results_are_printed(s):
    s.prompt()
    s.line("(+ 1 2)")
    s.expect(r"\n3\n")
    s.prompt()
    s.line('(str-cat "a" "b")')
    s.expect(r'\n"ab"\n')
    s.prompt()
    # A call whose value is nil prints nothing.
    s.line('(printout t "side effect" crlf)')
    s.expect(r"\nside effect\n")
    s.prompt()
    s.line("(exit)")
    check(s.wait_exit() == 0, "(exit) should leave with status 0")


def multi_line_input_waits_for_balanced_parentheses(s):
    s.prompt()
    s.line("(deffunction square (?x)")
    s.expect(r"\.\.\.> ")
    s.line('   ; a comment with a ) does not close anything')
    s.expect(r"\.\.\.> ")
    s.line('   (printout t "(" crlf)')
    s.expect(r"\.\.\.> ")
    s.line("   (* ?x ?x))")
    s.prompt()
    s.line("(square 7)")
    s.expect(r"\(\n49\n")
    s.prompt()
    check(s.leave_with_ctrl_d() == 0, "Ctrl-D at an empty prompt should leave with status 0")


def errors_are_reported_and_the_session_goes_on(s):
    s.prompt()
    s.line("(no-such-function 1)")
    s.expect(r"unimplemented or unassigned: no-such-function")
    s.prompt()
    s.line("(* 6 7)")
    s.expect(r"\n42\n")
    s.prompt()
    s.line("(exit)")
    check(s.wait_exit() == 0, "errors typed at the prompt do not change the exit status")


def readline_reads_from_the_terminal(s):
    s.prompt()
    s.line('(printout t "name? ") (bind ?n (readline))')
    s.expect(r"name\? ")
    s.line("Ada Lovelace")
    s.expect(r'"Ada Lovelace"')
    s.prompt()
    s.line("(read)")
    s.line("hello")
    s.expect(r"\nhello\n")
    s.prompt()
    s.line("(exit)")
    check(s.wait_exit() == 0, "exit status")


def names_complete_with_tab(s):
    s.prompt()
    s.send("(str-len\t")
    s.send(' "abcd")\r')
    s.expect(r"\n4\n")
    s.prompt()
    s.line("(defrule my-only-rule => (printout t fired crlf))")
    s.prompt()
    s.send("(ppdefrule my-only-\t")  # rule names complete too
    s.send(")\r")
    s.expect(r"my-only-rule")
    s.prompt()
    s.line("(exit)")
    check(s.wait_exit() == 0, "exit status")


LOOP = ("(defrule loop ?f <- (count ?n) => (retract ?f) (assert (count (+ ?n 1))) "
        "(if (= ?n 200) then (printout t \"looping\" crlf)))")


def ctrl_c_halts_a_looping_rule(s):
    s.prompt()
    s.line(LOOP)
    s.prompt()
    s.line("(reset)")
    s.prompt()
    s.line("(assert (count 0))")
    s.prompt()
    s.line("(run)")
    s.expect(r"looping")
    s.send("\x03")
    s.expect(r"Interrupted")
    s.prompt()
    # The engine is usable afterwards and the loop is still on the agenda.
    s.line("(+ 2 2)")
    s.expect(r"\n4\n")
    s.prompt()
    s.line("(run 5)")
    s.expect(r"\n5\n")
    s.prompt()
    s.send("\x03")  # once at an empty prompt: a hint
    s.expect(r"Ctrl-C again")
    s.prompt()
    s.send("\x03")  # twice: leave
    check(s.wait_exit() == 0, "a second Ctrl-C at an empty prompt leaves with status 0")


def ctrl_c_discards_a_half_typed_form(s):
    s.prompt()
    s.line("(+ 1")
    s.expect(r"\.\.\.> ")
    s.send("\x03")
    s.prompt()
    s.line("(+ 10 5)")
    s.expect(r"\n15\n")
    s.prompt()
    s.line("(exit)")
    check(s.wait_exit() == 0, "exit status")


def history_is_kept_between_sessions(rulesh, home):
    first = Session(rulesh, home)
    try:
        first.prompt()
        first.line("(+ 40 2)")
        first.expect(r"\n42\n")
        first.prompt()
        first.line("(* 3")
        first.expect(r"\.\.\.> ")
        first.line(" 5)")
        first.expect(r"\n15\n")
        first.prompt()
        first.line("(exit)")
        check(first.wait_exit() == 0, "exit status")
    finally:
        first.close()
    with open(os.path.join(home, "history"), encoding="utf-8", errors="replace") as f:
        # libedit writes blanks as octal escapes ("\\040").
        saved = re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), f.read())
    check("(+ 40 2)" in saved, "the history file should hold (+ 40 2):\n" + saved)
    second = Session(rulesh, home)
    try:
        second.prompt()
        second.send("\x1b[A\x1b[A\x1b[A\r")  # up three times: (+ 40 2)
        second.expect(r"\n42\n")
        second.prompt()
        second.line("(exit)")
        check(second.wait_exit() == 0, "exit status")
    finally:
        second.close()


CASES = {f.__name__: f for f in [
    results_are_printed, multi_line_input_waits_for_balanced_parentheses,
    errors_are_reported_and_the_session_goes_on, readline_reads_from_the_terminal,
    names_complete_with_tab, ctrl_c_halts_a_looping_rule, ctrl_c_discards_a_half_typed_form]}


def main():
    rulesh, case = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as home:
        try:
            if case == "history_is_kept_between_sessions":
                history_is_kept_between_sessions(rulesh, home)
            else:
                session = Session(rulesh, home)
                try:
                    CASES[case](session)
                finally:
                    session.close()
        except Failure as e:
            print("FAIL %s: %s" % (case, e))
            return 1
    print("ok " + case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
