# A carer at the desktop's remote-desktop dialog, through the accessibility bus: ticks "Allow
# remote interaction" and presses Share, or presses the button named as the argument.
import sys
import time

import pyatspi


def find(node, role, name):
    if node.getRoleName() == role and node.name.endswith(name):
        return node
    for child in node:
        found = find(child, role, name)
        if found:
            return found
    return None


def wait(condition):
    deadline = time.time() + 30
    while time.time() < deadline:
        try:
            found = condition()
            if found:
                return found
        except Exception:  # an application left the bus while it was read
            pass
        time.sleep(0.2)
    sys.exit("The dialog did not come")


button = sys.argv[1] if len(sys.argv) > 1 else "Share"
app = wait(lambda: next(a for a in pyatspi.Registry.getDesktop(0) if find(a, "check box", "Allow remote interaction")))
box = find(app, "check box", "Allow remote interaction")
if button == "Share":
    box.queryAction().doAction(0)
    wait(lambda: box.getState().contains(pyatspi.STATE_CHECKED))
find(app, "push button", button).queryAction().doAction(0)
