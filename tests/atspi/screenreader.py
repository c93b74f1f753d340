"""The program driven through AT-SPI alone, as a screen reader drives it.

Run by screenreader.sh inside a session bus and an X display of their own. It
starts the accessibility bus, then the program on a catalogue made for the test;
finds the window by its name, walks its menu tree, runs "Visualizza tutto" through
the menu item's accessible action, reads the first rows' cells, walks every cell
of the grid and checks the program still answers, including after the rows are
replaced underneath cells already read; opens Riepilogo, finds the keyboard on
its first table and each bar of a chart named, and lists a bar's books with the
window left open. Exit status 0 when everything holds.
"""
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

program = sys.argv[1]
folder = tempfile.mkdtemp()
children = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    stop()
    sys.exit(1)


def stop():
    # Each child leads a process group of its own: the bus launcher's own bus
    # daemon goes with it.
    for child in children:
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        child.wait()
    shutil.rmtree(folder, ignore_errors=True)


def watchdog(signum, frame):
    fail("no answer within the time allowed: the program or the accessibility bus hangs")


signal.signal(signal.SIGALRM, watchdog)


def failure_escaped(kind, value, trace):
    sys.__excepthook__(kind, value, trace)
    stop()


sys.excepthook = failure_escaped
signal.alarm(150)


def make_catalogue(path):
    books = [("Alessandro Manzoni", "I promessi sposi", "Romanzo storico"),
             ("Gabriele D'Annunzio", "Il piacere", None),
             ("Italo Calvino", "Le città invisibili", "Romanzo")]
    books += [("Autore %02d" % n, "Titolo %02d" % n, "Genere") for n in range(37)]
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE,"
               " titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE)")
    db.executemany("INSERT INTO dorvi (autore, titolo, genere) VALUES (?, ?, ?)", books)
    db.commit()
    db.close()
    return len(books)


def start_accessibility_bus():
    children.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                     start_new_session=True))
    for _ in range(100):
        asked = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                                "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True)
        if asked.returncode == 0:
            return
        time.sleep(0.1)
    fail("the accessibility bus did not start")


def start_program():
    shutil.copy(program, os.path.join(folder, "dorvi"))
    runtime = os.path.join(folder, "runtime")
    os.mkdir(runtime, 0o700)
    environment = {key: value for key, value in os.environ.items()
                   if key not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME", "QT_IM_MODULE", "QT_SCALE_FACTOR")}
    # Settings of its own: the user's (a window remembered maximised, a column
    # layout) neither steer the test nor take what the test leaves.
    environment.update(QT_QPA_PLATFORM="xcb", XDG_SESSION_TYPE="x11", XDG_RUNTIME_DIR=runtime,
                       XDG_CONFIG_HOME=os.path.join(folder, "config"),
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    stderr = open(os.path.join(folder, "stderr"), "w")
    children.append(subprocess.Popen([os.path.join(folder, "dorvi")], env=environment, stderr=stderr,
                                     start_new_session=True))
    return children[-1]


books = make_catalogue(os.path.join(folder, "dorvi.mdb"))
start_accessibility_bus()
import pyatspi  # noqa: E402  (it connects to the accessibility bus on import)

dorvi = start_program()


def wait_for(what, find, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = find()
        if found:
            return found
        if dorvi.poll() is not None:
            fail("the program ended (status %s) while waiting for %s" % (dorvi.returncode, what))
        time.sleep(0.2)
    fail("no " + what)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "dorvi":
            return app
    return None


def descendant(node, role, name=None):
    """The first node of `role` (and `name`) under `node`, not looking inside tables."""
    for child in node:
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        if child.getRoleName() != "table":
            found = descendant(child, role, name)
            if found:
                return found
    return None


def alive(when):
    if dorvi.poll() is not None:
        fail("the program ended (status %s) %s" % (dorvi.returncode, when))
    if frame.name != "Gestione Dorvi":
        fail("the window no longer answers with its name %s" % when)


def press(item_name):
    item = descendant(menubar, "menu item", item_name)
    if item is None:
        fail("no menu item " + item_name)
    action = item.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail("%s offers no press action: %s" % (item_name, names))
    action.doAction(names.index("Press"))


def cell_text(table, row, column):
    return table.queryTable().getAccessibleAt(row, column).name


def walk_every_cell(table):
    """Reads what a screen reader reads of each cell; the number of cells on show."""
    on_show = 0
    for index in range(table.childCount):
        cell = table.getChildAtIndex(index)
        if cell is None:
            fail("the grid has no child at %d of %d" % (index, table.childCount))
        states = cell.getState()
        cell.name, cell.description, cell.getIndexInParent()
        if cell.getRoleName() == "table cell":
            cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            if states.contains(pyatspi.STATE_SHOWING):
                on_show += 1
    return on_show


frame = wait_for("window named Gestione Dorvi",
                 lambda: application() and descendant(application(), "frame", "Gestione Dorvi"))
if not frame.description:
    fail("the window has no description")

menubar = wait_for("menu bar", lambda: descendant(frame, "menu bar"))
tree = {}
for menu in menubar:
    popup = menu[0] if menu.childCount else None
    tree[menu.name] = [item.name for item in popup] if popup else []
expected = {"Gestione/Esci": ["Gestione", "Esci"],
            "Interroga": ["Dorvi autore", "Titolo", "genere", "Visualizza tutto", "Totale dorvi"]}
for menu, items in expected.items():
    if tree.get(menu) != items:
        fail("menu %s reads %s, not %s" % (menu, tree.get(menu), items))
if "Strumenti" not in tree:
    fail("no Strumenti menu: %s" % list(tree))

grid = wait_for("grid", lambda: descendant(frame, "table"))
if grid.name != "Catalogo dei libri":
    fail("the grid is named %r" % grid.name)

press("Visualizza tutto")
wait_for("rows after Visualizza tutto", lambda: grid.queryTable().nRows == books)
table = grid.queryTable()
if table.nColumns != 4:
    fail("%d columns" % table.nColumns)
if grid.description != "%d righe, 4 colonne" % books:
    fail("the grid is described as %r" % grid.description)
headings = [table.getColumnDescription(c) for c in range(4)]
if headings != ["iddorvo", "autore", "titolo", "genere"]:
    fail("column headings %s" % headings)
first_rows = [[cell_text(grid, row, column) for column in range(4)] for row in range(3)]
expected_rows = [["iddorvo: 1", "autore: Alessandro Manzoni", "titolo: I promessi sposi", "genere: Romanzo storico"],
                 ["iddorvo: 2", "autore: Gabriele D'Annunzio", "titolo: Il piacere", "genere: vuoto"],
                 ["iddorvo: 3", "autore: Italo Calvino", "titolo: Le città invisibili", "genere: Romanzo"]]
if first_rows != expected_rows:
    fail("the first rows read %s" % first_rows)

held = table.getAccessibleAt(1, 1)     # a cell a screen reader keeps while the rows change
on_show = walk_every_cell(grid)
if not 10 <= on_show < 4 * books:
    fail("%d cells on show" % on_show)
alive("after walking every cell")

def focused(node):
    """The focused node under `node`, looking inside tables too."""
    for child in node:
        if child is None:
            continue
        if child.getState().contains(pyatspi.STATE_FOCUSED):
            return child
        if child.getRoleName() not in ("table", "table cell", "list item"):
            found = focused(child)
            if found:
                return found
    return None


# Riepilogo is modal: its menu item is pressed from a process of its own, whose
# call returns only when the window closes.
opener = subprocess.Popen([sys.executable, "-c", """
import pyatspi
def find(node, role, name):
    for child in node:
        if child is None:
            continue
        if child.getRoleName() == role and child.name == name:
            return child
        found = find(child, role, name)
        if found:
            return found
app = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "dorvi"][0]
item = find(app, "menu item", "Riepilogo")
action = item.queryAction()
action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
"""], start_new_session=True)
children.append(opener)
summary = wait_for("the Riepilogo window", lambda: descendant(application(), "dialog", "Riepilogo"))
start = wait_for("the keyboard in Riepilogo", lambda: focused(summary))
if start.getRoleName() != "table" or start.name != "Per genere":
    fail("Riepilogo opens on %s %r, not on the table Per genere" % (start.getRoleName(), start.name))
chart = descendant(summary, "list", "Per genere")
if chart is None:
    fail("the chart Per genere is not a list a screen reader can walk")
bars = [chart.getChildAtIndex(i).name for i in range(chart.childCount)]
if bars != ["Genere: 37 libri", "Romanzo: 1 libro", "Romanzo storico: 1 libro", "(senza genere): 1 libro"]:
    fail("the bars of Per genere read %s" % bars)
# The keyboard on the chart: its current bar is the focused item a screen reader names.
chart.queryComponent().grabFocus()
wait_for("the keyboard on the chart", lambda: chart.getState().contains(pyatspi.STATE_FOCUSED) or None, 5)
first_bar = chart.getChildAtIndex(0)
if not first_bar.getState().contains(pyatspi.STATE_FOCUSED):
    fail("the chart's current bar %r is not its focused item" % first_bar.name)
alive("after the chart took the keyboard")
# A bar pressed lists its books in the grid, says so under the grid, and the
# window stays open for the next one.
romanzo = chart.getChildAtIndex(1)
romanzo.queryAction().doAction(0)
wait_for("the books of the bar Romanzo", lambda: grid.queryTable().nRows == 1)
notice = wait_for("the line under the grid", lambda: descendant(frame, "label", "Avvisi"))
said = notice.description   # the line tells its text as its tooltip too
if said != "Genere «Romanzo»: 1 libro":
    fail("the line under the grid says %r" % said)
if descendant(application(), "dialog", "Riepilogo") is None:
    fail("Riepilogo closed when a bar was pressed")
close = descendant(summary, "push button", "Chiudi")
close.queryAction().doAction(0)
try:
    opener.wait(timeout=20)
except subprocess.TimeoutExpired:
    fail("Chiudi did not close Riepilogo")
alive("after Riepilogo")

# Editing mode: the rows are replaced and a new-row line appears under cells read.
press("Gestione")
wait_for("the new-row line", lambda: grid.queryTable().nRows == books + 1)
held.name, held.getIndexInParent()
if cell_text(grid, books, 1) != "autore: riga per un libro nuovo":
    fail("the new-row line reads %r" % cell_text(grid, books, 1))
if "aggiunge un libro" not in grid.description:
    fail("editing mode is described as %r" % grid.description)
walk_every_cell(grid)
alive("after the rows changed under cells read")

press("Totale dorvi")
wait_for("the count", lambda: grid.queryTable().nColumns == 1)
if cell_text(grid, 0, 0) != "Totale_dorvi: %d" % books:
    fail("the count reads %r" % cell_text(grid, 0, 0))
walk_every_cell(grid)
alive("after the columns changed")

press("Esci")
try:
    status = dorvi.wait(timeout=10)
except subprocess.TimeoutExpired:
    fail("Esci did not end the program")
if status != 0:
    fail("the program ended with status %d" % status)
with open(os.path.join(folder, "stderr")) as printed:
    said = printed.read().strip()
if said:
    fail("the program printed: " + said)
stop()
print("PASS")
