# The check anyone can run with Quillmotion's Properties window open: through the accessibility
# bus, shows the Mouse tab and lists its controls that take the focus and are named with a code,
# one line each ("North: 1"). Fails unless they are the thirteen codes, each once.
import re
import sys
import time

import pyatspi

WHAT = sorted(["North", "North East", "East", "South East", "South", "South West", "West", "North West", "Stop",
               "Left Click", "Left Double Click", "Right Click", "Right Double Click"])


def nodes(node):
    yield node
    for child in node:
        yield from nodes(child)


def poll(find, done=bool):
    """find()'s answer once done with it, or the last after 30 s; an application may leave the bus
    while it is read."""
    for _ in range(150):
        try:
            found = find()
        except Exception:
            found = None
        if done(found):
            break
        time.sleep(0.2)
    return found


def thirteen(names):
    return sorted(name.rsplit(": ", 1)[0] for name in names or []) == WHAT


frame = poll(lambda: next(n for a in pyatspi.Registry.getDesktop(0) for n in a
                          if n.getRoleName() == "frame" and n.name == "Quillmotion : Properties"))
if frame is None:
    sys.exit("No Quillmotion : Properties window on the accessibility bus")
next(n for n in nodes(frame) if n.getRoleName() == "page tab" and n.name == "Mouse").queryAction().doAction(0)
named = poll(lambda: [n.name for n in nodes(frame) if re.fullmatch(r".+: \d+", n.name) and all(
    n.getState().contains(s) for s in (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SHOWING))], thirteen) or []
print("\n".join(named))
if not thirteen(named):
    sys.exit("Expected the thirteen codes, each once; found %d" % len(named))
