#!/usr/bin/env python3
"""Checks a compiled help file the way a help viewer opens it.

    check_chm.py FILE.chm SOURCE_DIR CONTEXT=TOPIC...

The default topic, and the topic each listed help context opens, must be a
file in the container holding exactly its source from SOURCE_DIR; TOPIC is the
name of the source file the context must open.
"""
import re
import sys
from pathlib import Path

from chmfile import Chm


def problem(chm, sources, topic, source_name):
    if topic is None:
        return 'no topic'
    path = '/' + topic.lstrip('/')
    if path not in chm.files:
        return f'{topic} is not in the help file'
    if Path(path).name != source_name:
        return f'{topic} is not {source_name}'
    html = chm.read(path)
    if html != (sources / source_name).read_bytes():
        return f'{topic} differs from its source'
    title = re.search(rb'<title>(.*?)</title>', html, re.S)
    print(f'  {path}: "{title.group(1).decode() if title else ""}"')
    return None


def main(chm_file, source_dir, *contexts):
    chm, sources = Chm(Path(chm_file).read_bytes()), Path(source_dir)
    default = chm.system(Chm.DEFAULT_TOPIC)
    checks = [('default topic', default, Path(default or '').name)]
    for entry in contexts:
        number, source_name = entry.split('=')
        checks.append((f'context {number}', chm.context(int(number)), source_name))
    failed = False
    for what, topic, source_name in checks:
        print(what)
        failure = problem(chm, sources, topic, source_name)
        if failure:
            print(f'  FAIL: {failure}')
            failed = True
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
