#!/usr/bin/env python3
"""Adds up the results of a test run and prints "N passed, N failed[, N skipped]".

Each results folder holds CTest's JUnit report (ctest.xml) and one GoogleTest
XML report per test executable. An executable's test cases count one by one;
an entry without a GoogleTest report (a crash before it was written, or a
test that is not GoogleTest) counts as one case with CTest's verdict."""
import argparse
import os
import sys
import xml.etree.ElementTree as ET


def count_gtest(path):
    passed = failed = skipped = 0
    for case in ET.parse(path).getroot().iter('testcase'):
        if case.find('failure') is not None or case.find('error') is not None:
            failed += 1
        elif case.get('result') == 'skipped' or case.find('skipped') is not None or case.get('status') == 'notrun':
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--extra-passed', type=int, default=0)
    parser.add_argument('--extra-failed', type=int, default=0)
    parser.add_argument('folders', nargs='*')
    args = parser.parse_args()
    passed, failed, skipped = args.extra_passed, args.extra_failed, 0
    for folder in args.folders:
        junit = os.path.join(folder, 'ctest.xml')
        if not os.path.exists(junit):
            continue
        for entry in ET.parse(junit).getroot().iter('testcase'):
            name = entry.get('name')
            ctest_failed = entry.find('failure') is not None or entry.get('status') == 'fail'
            if entry.get('status') in ('disabled', 'notrun') and not ctest_failed:
                skipped += 1
                continue
            report = os.path.join(folder, name + '.xml')
            if os.path.exists(report):
                p, f, s = count_gtest(report)
                if ctest_failed and f == 0:
                    f = 1  # the executable failed after its cases passed (crash at exit, time-out)
                    print(f'!! {name}: failed outside its test cases', file=sys.stderr)
                passed, failed, skipped = passed + p, failed + f, skipped + s
            elif ctest_failed:
                failed += 1
            else:
                passed += 1
    line = f'{passed} passed, {failed} failed'
    if skipped:
        line += f', {skipped} skipped'
    print(line)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
