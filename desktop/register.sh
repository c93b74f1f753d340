#!/bin/sh
# desktop/register.sh FOLDER
# Puts the program installed in FOLDER into the current user's application menu:
# the launcher into the user's applications, the icons into the user's hicolor
# theme, the AppStream description beside them. The launcher keeps FOLDER's
# absolute path, written there when the folder was installed.
set -eu
folder=$1
id=it.dorvi.GestioneDorvi
data=${XDG_DATA_HOME:-$HOME/.local/share}

[ -f "$folder/$id.desktop" ] || { echo "register.sh: $folder non contiene $id.desktop" >&2; exit 1; }

mkdir -p "$data/applications" "$data/icons/hicolor" "$data/metainfo"
cp -R "$folder/icons/hicolor/." "$data/icons/hicolor/"
cp "$folder/$id.metainfo.xml" "$data/metainfo/"
# In the user's menu the icon comes from the theme, at the size each place wants.
sed "s|^Icon=.*|Icon=$id|" "$folder/$id.desktop" >"$data/applications/$id.desktop.new"
mv "$data/applications/$id.desktop.new" "$data/applications/$id.desktop"

# Menus that keep caches see the new entry at once; without the tools they rescan.
touch "$data/icons/hicolor"
if command -v gtk-update-icon-cache >/dev/null && [ -f "$data/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q -t "$data/icons/hicolor" || true
fi
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$data/applications" || true
fi
echo "Gestione Dorvi registrato nel menu delle applicazioni: $data/applications/$id.desktop"
