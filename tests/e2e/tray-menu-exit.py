# Ends Quillmotion as a screen-reader user would: through the accessibility bus, finds the
# notification-area icon among the program's windows, opens its menu, chooses Exit, and answers
# the question that follows, first Cancel, then OK. Prints what it met, a line each.
import sys
import time

import pyatspi


def poll(find):
    """find()'s answer once it has one, or None after 30 s; the bus may change while it is read."""
    for _ in range(150):
        try:
            found = find()
        except Exception:
            found = None
        if found:
            return found
        time.sleep(0.2)
    return None


def app():
    return next(a for a in pyatspi.Registry.getDesktop(0) if a.name == "Quillmotion")


def act(node, name):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index(name))


def choose_exit():
    icon = poll(lambda: next(c for c in app() if c.getRoleName() == "push button"))
    if icon is None:
        sys.exit("No tray icon on the accessibility bus")
    print("icon:", icon.name.replace("\n", " / "))
    act(icon, "ShowMenu")
    menu = poll(lambda: next(c for c in app() if c.getRoleName() == "popup menu"))
    if menu is None:
        sys.exit("The icon's menu did not open")
    print("menu:", ", ".join(item.name for item in menu))
    act(next(item for item in menu if item.name == "Exit"), "Press")


def question():
    return next(c for c in app() if c.getRoleName() == "alert" and any(
        n.name.startswith("End Quillmotion?") for n in c))


def answer(button):
    box = poll(question)
    if box is None:
        sys.exit("No exit question")
    buttons = [n for panel in box for n in ([panel] + list(panel)) if n.getRoleName() == "push button"]
    print("question:", ", ".join(b.name for b in buttons), "- pressed", button)
    act(next(b for b in buttons if b.name == button), "Press")


choose_exit()
answer("Cancel")
if poll(lambda: not any(c.getRoleName() == "alert" for c in app())) is None:
    sys.exit("Cancel left the question open")
choose_exit()
answer("OK")
