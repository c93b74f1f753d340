#!/bin/sh
# desktop/tests/validate.sh SOURCE_DIR BUILD_DIR
# The launcher and the AppStream description pass their validators with no error
# and no warning, as written and as installed into a folder whose name quoting
# must survive; an installed folder has everything it needs, an update keeps the
# user's catalogue, and registering puts a valid launcher in the user's menu.
set -eu
source=$1
build=$2
id=it.dorvi.GestioneDorvi
python=/usr/bin/python3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# desktop-file-validate prints only what it finds wrong.
validate_launcher() {
    report=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate $1: $report"
    [ -z "$report" ] || fail "desktop-file-validate $1: $report"
}

validate_launcher "$source/$id.desktop"
report=$(appstreamcli validate --no-net --no-color "$source/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli: $report"
if echo "$report" | grep -E '^[EW]:'; then
    fail "appstreamcli: $report"
fi

# A folder name with a space, both quotes, a dollar, a backquote and a percent (CMake
# itself cannot install into a name holding a backslash).
folder="$work/Libri di casa \"d'Annunzio\" \$HOME \`x\` 100%"
cmake --install "$build" --prefix "$folder" >/dev/null
for file in dorvi dorvi-import dorvi.mdb $id.desktop $id.svg $id.metainfo.xml \
            icons/hicolor/scalable/apps/$id.svg icons/hicolor/16x16/apps/$id.png icons/hicolor/256x256/apps/$id.png; do
    [ -e "$folder/$file" ] || fail "not installed: $file"
done
[ -x "$folder/dorvi" ] && [ -x "$folder/dorvi-import" ] || fail "the programs are not executable"
validate_launcher "$folder/$id.desktop"

# GLib reads the launcher as every desktop reads it: the command is the
# installed program, one argument, and the icon is the installed one.
"$python" - "$folder/$id.desktop" "$folder" <<'PY' || fail "the installed launcher does not name the installed folder"
import sys
from gi.repository import GLib
launcher, folder = sys.argv[1], sys.argv[2]
entry = GLib.KeyFile()
entry.load_from_file(launcher, GLib.KeyFileFlags.NONE)
command = entry.get_string("Desktop Entry", "Exec").replace("%%", "%")
ok, argv = GLib.shell_parse_argv(command)
assert argv == [folder + "/dorvi"], argv
assert entry.get_string("Desktop Entry", "Path") == folder
assert entry.get_string("Desktop Entry", "Icon") == folder + "/it.dorvi.GestioneDorvi.svg"
PY

# The starter catalogue is there; an update leaves the user's books alone.
books=$(sqlite3 "$folder/dorvi.mdb" "select count(*) from dorvi")
[ "$books" -gt 0 ] || fail "the starter catalogue is empty"
sqlite3 "$folder/dorvi.mdb" "delete from dorvi; insert into dorvi (autore, titolo, genere) values ('Mia', 'Solo mio', 'Diario')"
cmake --install "$build" --prefix "$folder" >/dev/null
[ "$(sqlite3 "$folder/dorvi.mdb" "select titolo from dorvi")" = "Solo mio" ] || fail "the update overwrote the catalogue"

# Registering for a user: a valid launcher that takes its icon from the theme.
XDG_DATA_HOME="$work/data" "$source/register.sh" "$folder" >/dev/null
registered="$work/data/applications/$id.desktop"
validate_launcher "$registered"
grep -qx "Icon=$id" "$registered" || fail "the registered launcher does not use the theme's icon"
grep -q '^Exec=.*/dorvi"$' "$registered" || fail "the registered launcher lost the program's path"
for size in 16x16 32x32 48x48 256x256 scalable; do
    ls "$work/data/icons/hicolor/$size/apps/$id."* >/dev/null 2>&1 || fail "icon $size not registered"
done
echo PASS
