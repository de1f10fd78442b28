#!/usr/bin/env python3
"""Tests of CTest's launcher for the test programs, with a stand-in for Wine: a program that Wine
did not start (it failed without a byte of output) is started once more and said, and nothing else
is ever repeated, so a test that fails keeps failing."""
import os
import pathlib
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LAUNCHER = os.path.join(ROOT, 'scripts', 'wine-test.sh')

# The stand-in takes the place of Wine: run number N (counted in a file) does what the script's
# argument for it says: "silent:C" exits with C and prints nothing, "print:C" prints its
# arguments and exits with C.
STAND_IN = r'''#!/usr/bin/env bash
count_file=$(dirname "$0")/runs
n=$(( $(cat "$count_file" 2>/dev/null || echo 0) + 1 ))
echo $n >"$count_file"
plan=(%s)
step=${plan[$((n - 1))]}
code=${step#*:}
if [ "${step%%%%:*}" = print ]; then echo "ran: $*"; echo "on stderr" >&2; fi
exit "$code"
'''


class LauncherTest(unittest.TestCase):
    def launch(self, *plan):
        folder = tempfile.mkdtemp()
        wine = pathlib.Path(folder, 'wine')
        wine.write_text(STAND_IN % ' '.join(plan))
        wine.chmod(0o755)
        log = pathlib.Path(folder, 'restarts.log')
        env = dict(os.environ, SERIESCLEAN_WINE_RETRIES=str(log))
        result = subprocess.run([LAUNCHER, str(wine), 'tests.exe', '--gtest_filter=A.B C'],
                                capture_output=True, text=True, env=env)
        runs = int(pathlib.Path(folder, 'runs').read_text())
        logged = log.read_text() if log.exists() else ''
        return result, runs, logged

    def test_a_program_that_wine_did_not_start_is_started_once_more_and_said(self):
        result, runs, logged = self.launch('silent:1', 'print:0')
        self.assertEqual((result.returncode, runs), (0, 2))
        said = ("wine-test: tests.exe --gtest_filter=A.B\\ C ended with exit code 1 before it printed "
                "anything; Wine did not start it, so it is started once more\n")
        self.assertEqual(result.stdout, said + "ran: tests.exe --gtest_filter=A.B C\non stderr\n")
        self.assertEqual(logged, said)

    def test_what_the_program_printed_and_its_exit_code_are_passed_on_and_never_repeated(self):
        for plan, code in ((('print:0',), 0), (('print:1', 'print:0'), 1), (('print:3', 'print:0'), 3)):
            with self.subTest(plan=plan):
                result, runs, logged = self.launch(*plan)
                self.assertEqual((result.returncode, runs, logged), (code, 1, ''))
                self.assertEqual(result.stdout, "ran: tests.exe --gtest_filter=A.B C\non stderr\n")

    def test_a_second_silent_failure_is_the_result(self):
        result, runs, logged = self.launch('silent:5', 'silent:7', 'print:0')
        self.assertEqual((result.returncode, runs), (7, 2))
        self.assertEqual(logged.count('\n'), 1)

    def test_a_silent_success_is_not_repeated(self):
        result, runs, logged = self.launch('silent:0', 'print:0')
        self.assertEqual((result.returncode, runs, result.stdout, logged), (0, 1, '', ''))


if __name__ == '__main__':
    unittest.main()
