#!/usr/bin/env python3
"""Adds up the results of a test run: a line for each suite, one for each suite
that could not run here, then "N passed, N failed[, N skipped]" over what ran.

Each skipped case is listed under its suite's line with the reason it gave.

Suites are given as LABEL=FOLDER. Each results folder holds CTest's JUnit report (ctest.xml) and one GoogleTest
XML report per test executable. An executable's test cases count one by one;
an entry without a GoogleTest report (a crash before it was written, or a
test that is not GoogleTest) counts as one case with CTest's verdict."""
import argparse
import os
import re
import sys
import xml.etree.ElementTree as ET


def count_gtest(path, skips):
    """Counts the cases of one GoogleTest report; appends "Suite.Case: why"
    to skips for each skipped one."""
    passed = failed = skipped = 0
    for case in ET.parse(path).getroot().iter('testcase'):
        if case.find('failure') is not None or case.find('error') is not None:
            failed += 1
        elif case.get('result') == 'skipped' or case.find('skipped') is not None or case.get('status') == 'notrun':
            skipped += 1
            skips.append(f"{case.get('classname')}.{case.get('name')}: {skip_reason(case)}")
        else:
            passed += 1
    return passed, failed, skipped


def skip_reason(case):
    """The message GTEST_SKIP() was given: GoogleTest writes "file:line",
    a line break, then the message."""
    if case.get('status') == 'notrun':
        return 'disabled'
    element = case.find('skipped')
    lines = (element.get('message') or element.text or '').splitlines() if element is not None else []
    if lines and re.fullmatch(r'.*:\d+', lines[0].strip()):
        lines = lines[1:]
    return ' '.join(line.strip() for line in lines if line.strip()) or 'no reason given'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--extra-passed', type=int, default=0)
    parser.add_argument('--extra-failed', type=int, default=0)
    parser.add_argument('--not-run', action='append', default=[], metavar='"SUITE: WHY"')
    parser.add_argument('suites', nargs='*', metavar='LABEL=FOLDER')
    args = parser.parse_args()
    passed, failed, skipped = args.extra_passed, args.extra_failed, 0
    for suite in args.suites:
        label, _, folder = suite.rpartition('=')
        skips = []
        p, f, s = count_folder(folder, skips)
        note = ''
        if not os.path.exists(os.path.join(folder, 'ctest.xml')):
            f, note = f + 1, ' (it left no results: counted as a failure)'
        print(f'suite {label or folder}: {p} passed, {f} failed' + (f', {s} skipped' if s else '') + note)
        for skip in skips:
            print(f'   skipped {skip}')
        passed, failed, skipped = passed + p, failed + f, skipped + s
    for why in args.not_run:
        print(f'suite {why} -- NOT RUN, counted nowhere')
    line = f'{passed} passed, {failed} failed'
    if skipped:
        line += f', {skipped} skipped'
    print(line)
    return 1 if failed else 0


def count_folder(folder, skips):
    passed = failed = skipped = 0
    junit = os.path.join(folder, 'ctest.xml')
    if os.path.exists(junit):
        for entry in ET.parse(junit).getroot().iter('testcase'):
            name = entry.get('name')
            ctest_failed = entry.find('failure') is not None or entry.get('status') == 'fail'
            if entry.get('status') in ('disabled', 'notrun') and not ctest_failed:
                skipped += 1
                skips.append(f'{name}: not run by CTest ({entry.get("status")})')
                continue
            report = os.path.join(folder, name + '.xml')
            if os.path.exists(report):
                p, f, s = count_gtest(report, skips)
                if ctest_failed and f == 0:
                    f = 1  # the executable failed after its cases passed (crash at exit, time-out)
                    print(f'!! {name}: failed outside its test cases', file=sys.stderr)
                passed, failed, skipped = passed + p, failed + f, skipped + s
            elif ctest_failed:
                failed += 1
            else:
                passed += 1
    return passed, failed, skipped


if __name__ == '__main__':
    sys.exit(main())
