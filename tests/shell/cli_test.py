#!/usr/bin/env python3
# rulecore: an embeddable expert-system shell.
# Runs rulesh as a user or a script would - files, -e, -f, standard input,
# options - and checks its output, its errors and its exit status.
#
#   cli_test.py RULESH CASE
import os
import subprocess
import sys
import tempfile

TIMEOUT = 60


class Failure(Exception):
    pass


def run(rulesh, args, stdin="", cwd=None):
    done = subprocess.run([rulesh, *args], input=stdin.encode(), capture_output=True,
                          timeout=TIMEOUT, cwd=cwd)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def check_run(result, status, out=None, err=None, err_starts=None):
    code, stdout, stderr = result
    problems = []
    if code != status:
        problems.append("exit status %d, expected %d" % (code, status))
    if out is not None and stdout != out:
        problems.append("standard output %r, expected %r" % (stdout, out))
    if err is not None and stderr != err:
        problems.append("standard error %r, expected %r" % (stderr, err))
    if err_starts is not None and not stderr.startswith(err_starts):
        problems.append("standard error %r should start with %r" % (stderr, err_starts))
    if problems:
        raise Failure("; ".join(problems) + "\n--- stdout\n%s--- stderr\n%s" % (stdout, stderr))


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(text)
    return path


# ---------------------------------------------------------------- files

def files_load_in_order_and_exit_zero(rulesh, tmp):
    a = write(tmp, "a.clp", '(deffunction twice (?x) (* 2 ?x))\n(printout t "a" crlf)\n')
    b = write(tmp, "b.clp", "(printout t (twice 21) crlf)\n")
    check_run(run(rulesh, [a, b]), 0, out="a\n42\n", err="")


def file_error_names_the_file_and_the_line_of_the_failing_construct(rulesh, tmp):
    bad = write(tmp, "bad.clp",
                '(printout t "before" crlf)\n'
                "\n"
                "(defrule broken\n"
                "   (a ?x\n"
                "   =>\n"
                "   (printout t ?x crlf))\n"
                '(printout t "after" crlf)\n')
    later = write(tmp, "later.clp", '(printout t "later" crlf)\n')
    check_run(run(rulesh, [bad, later]), 1, out="before\n", err_starts=bad + ":3: ")


def runtime_error_reports_the_line_of_the_call_that_raised(rulesh, tmp):
    bad = write(tmp, "run.clp",
                "(defrule r\n"
                "   =>\n"
                "   (no-such-function))\n"
                "(reset)\n"
                "(run)\n")
    code, out, err = run(rulesh, [bad])
    check_run((code, out, err), 1, err_starts=bad + ":5: ")
    if "no-such-function" not in err:
        raise Failure("the message should name the missing function: " + err)


def missing_file_is_an_error(rulesh, tmp):
    missing = os.path.join(tmp, "missing.clp")
    code, out, err = run(rulesh, [missing])
    check_run((code, out, err), 1, err_starts=missing + ": ")


def exit_stops_loading_with_status_zero(rulesh, tmp):
    f = write(tmp, "exit.clp", '(printout t "one" crlf)\n(exit)\n(printout t "two" crlf)\n')
    check_run(run(rulesh, [f, f]), 0, out="one\n")


def files_read_console_input_from_standard_input(rulesh, tmp):
    f = write(tmp, "ask.clp",
              '(printout t "name? " (readline) crlf)\n(printout t "n: " (read) crlf)\n'
              '(printout t "end: " (readline) crlf)\n')
    check_run(run(rulesh, [f], stdin="Ada\n  17 more\n"), 0,
              out="name? Ada\nn: 17\nend: EOF\n")


# ---------------------------------------------------------------- -e and -f

def expression_value_is_printed(rulesh, tmp):
    check_run(run(rulesh, ["-e", "(+ 1 2)", "-e", '(str-cat "x" "y")']), 0, out='3\n"xy"\n')


def expressions_and_files_run_in_command_line_order(rulesh, tmp):
    f = write(tmp, "f.clp", "(defglobal ?*n* = 5)\n")
    check_run(run(rulesh, [f, "-e", "(* ?*n* 2)"]), 0, out="10\n")


def expression_error_exits_one(rulesh, tmp):
    check_run(run(rulesh, ["-e", "(+ 1 2)", "-e", "(nope)", "-e", "(+ 3 4)"]), 1, out="3\n",
              err_starts="-e:1: ")


def batch_file_runs_line_by_line_and_feeds_console_input(rulesh, tmp):
    batch = write(tmp, "cmds.bat",
                  "(assert (colour red))\n"
                  "(bind ?c (readline))\n"
                  "blue\n"
                  "(printout t ?c crlf)\n")
    code, out, err = run(rulesh, ["-f", batch])
    check_run((code, out, err), 0, err="")
    if "blue\n" not in out or "<Fact-1>" not in out:
        raise Failure("the batch should assert, read 'blue' and print it: " + out)


def batch_error_names_the_line(rulesh, tmp):
    batch = write(tmp, "bad.bat", "(+ 1 1)\n(bind ?x (readline))\nanswer\n(broken-call)\n(+ 2 2)\n")
    code, out, err = run(rulesh, ["-f", batch])
    check_run((code, out, err), 1, err_starts=batch + ":4: ")
    if "4\n" in out.splitlines(keepends=True):
        raise Failure("the batch should stop at the failing line: " + out)


def missing_batch_file_is_an_error(rulesh, tmp):
    check_run(run(rulesh, ["-f", os.path.join(tmp, "none.bat")]), 1,
              err_starts=os.path.join(tmp, "none.bat") + ": ")


# ---------------------------------------------------------------- standard input

def commands_come_from_standard_input_without_a_terminal(rulesh, tmp):
    script = ("(deffunction sq (?x)\n"
              "   (* ?x ?x))\n"
              "(sq 9)\n"
              '(printout t "who? ") (printout t (readline) crlf)\n'
              "Grace\n"
              "(+ 1 1)\n")
    check_run(run(rulesh, [], stdin=script), 0, out="81\nwho? Grace\n2\n", err="")


def standard_input_error_names_its_line_and_stops(rulesh, tmp):
    script = "(+ 1 1)\n(readline)\nskipped line\n\n(oops)\n(+ 2 2)\n"
    check_run(run(rulesh, [], stdin=script), 1, out='2\n"skipped line"\n',
              err_starts="<stdin>:5: ")


def input_ending_inside_a_form_is_an_error(rulesh, tmp):
    check_run(run(rulesh, [], stdin="(+ 1\n  2\n"), 1, err_starts="<stdin>:1: ")


def interactive_flag_reads_standard_input_after_the_files(rulesh, tmp):
    f = write(tmp, "g.clp", "(defglobal ?*g* = 4)\n")
    check_run(run(rulesh, [f, "-i"], stdin="(+ ?*g* 1)\n"), 0, out="5\n")


# ---------------------------------------------------------------- options

# (run) prints how many rules fired, after what the rules printed.
LOOP = ("(defrule loop ?f <- (count ?n) => (retract ?f) "
                     "(printout t ?n crlf) (assert (count (+ ?n 1))))\n"
                     "(reset)\n(assert (count 0))\n(run)\n")


def max_rules_limits_each_run(rulesh, tmp):
    f = write(tmp, "loop.clp", LOOP)
    check_run(run(rulesh, ["--max-rules", "3", f]), 0, out="TRUE\n<Fact-1>\n0\n1\n2\n3\n")


def strategy_orders_the_agenda(rulesh, tmp):
    f = write(tmp, "order.clp",
              "(defrule show (item ?x) => (printout t ?x crlf))\n"
              "(reset)\n(assert (item 1))\n(assert (item 2))\n(run)\n")
    check_run(run(rulesh, ["--strategy", "depth", f]), 0, out="TRUE\n<Fact-1>\n<Fact-2>\n2\n1\n2\n")
    check_run(run(rulesh, ["--strategy", "breadth", f]), 0, out="TRUE\n<Fact-1>\n<Fact-2>\n1\n2\n2\n")


def watch_prints_the_chosen_items(rulesh, tmp):
    code, out, err = run(rulesh, ["--watch", "facts", "-e", "(assert (hello))"])
    check_run((code, out, err), 0)
    if " ==> " not in out or "(hello)" not in out:
        raise Failure("watching facts should print the assertion: " + out)
    code, out, err = run(rulesh, ["-e", "(assert (hello))"])
    if " ==> " in out:
        raise Failure("nothing is watched by default: " + out)


def functions_lists_every_builtin_with_arguments_and_help(rulesh, tmp):
    code, out, err = run(rulesh, ["--functions"])
    check_run((code, out, err), 0, err="")
    if "(run [<integer-expression>])\n    Fires rules, at most the given number\n" not in out:
        raise Failure("run should be listed with its arguments and help:\n" + out[:2000])
    if "(str-cat" not in out or "(sin" not in out:
        raise Failure("every package's functions should be listed")


def version_and_help_exit_zero(rulesh, tmp):
    code, out, _ = run(rulesh, ["--version"])
    check_run((code, out, ""), 0)
    if not out.startswith("rulesh "):
        raise Failure("--version: " + out)
    code, out, _ = run(rulesh, ["--help"])
    check_run((code, out, ""), 0)
    if "usage: rulesh" not in out or "--max-rules" not in out:
        raise Failure("--help: " + out)


def usage_errors_exit_two(rulesh, tmp):
    for args in (["--bogus"], ["-e"], ["-f"], ["--strategy", "sideways"], ["--max-rules", "0"],
                 ["--max-rules", "x"], ["--watch", "facts,nothing"], ["--watch"]):
        code, out, err = run(rulesh, args)
        if code != 2 or not err.startswith("rulesh: ") or out:
            raise Failure("%s: status %d, stderr %r" % (args, code, err))


def dialogs_ask_on_the_console(rulesh, tmp):
    kb = write(tmp, "ask.clp",
               '(printout t (input-box "Name" "Who?" "anon") crlf)\n'
               '(printout t (input-box "Name" "Who?" "anon") crlf)\n'
               '(printout t (message-dlg "Go on?" mtConfirmation "[mbYes,mbNo]") crlf)\n'
               '(printout t (input-query "Q" "Age?" "") crlf)\n')
    # An empty answer takes the default; an unknown button is asked again;
    # the end of input cancels the query.
    check_run(run(rulesh, [kb], stdin="ann\n\nmaybe\nno\n"), 0,
              out="Name - Who? [anon]: ann\n"
                  "Name - Who? [anon]: anon\n"
                  "Confirmation: Go on?\n(yes/no): (yes/no): mrNo\n"
                  "Q - Age?: FALSE\n",
              err="")


CASES = {f.__name__: f for f in [
    dialogs_ask_on_the_console,
    files_load_in_order_and_exit_zero,
    file_error_names_the_file_and_the_line_of_the_failing_construct,
    runtime_error_reports_the_line_of_the_call_that_raised, missing_file_is_an_error,
    exit_stops_loading_with_status_zero, files_read_console_input_from_standard_input,
    expression_value_is_printed, expressions_and_files_run_in_command_line_order,
    expression_error_exits_one, batch_file_runs_line_by_line_and_feeds_console_input,
    batch_error_names_the_line, missing_batch_file_is_an_error,
    commands_come_from_standard_input_without_a_terminal,
    standard_input_error_names_its_line_and_stops, input_ending_inside_a_form_is_an_error,
    interactive_flag_reads_standard_input_after_the_files, max_rules_limits_each_run,
    strategy_orders_the_agenda, watch_prints_the_chosen_items,
    functions_lists_every_builtin_with_arguments_and_help, version_and_help_exit_zero,
    usage_errors_exit_two]}


def main():
    rulesh, case = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        try:
            CASES[case](rulesh, tmp)
        except (Failure, subprocess.TimeoutExpired) as e:
            print("FAIL %s: %s" % (case, e))
            return 1
    print("ok " + case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
