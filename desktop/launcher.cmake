# Run when installing: writes the launcher into the installed folder with that
# folder's absolute path in Exec, Path and Icon. Exec follows the quoting of the
# Desktop Entry format, so a folder named with spaces, quotes, "$" or "%" still
# starts the program; a folder name holding a line break cannot be written there.
get_filename_component(folder "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
if(folder MATCHES "[\r\n]")
    message(FATAL_ERROR "Il nome della cartella contiene un a capo: il lanciatore non può nominarla")
endif()

# Plain string values escape only the backslash.
string(REPLACE [[\]] [[\\]] plain "${folder}")

# Exec: the argument in double quotes with \ " ` $ escaped, then the string
# escape of the backslash, then % doubled so no field code is read in it.
set(argument "${folder}/dorvi")
string(REPLACE [[\]] [[\\]] argument "${argument}")
string(REPLACE [["]] [[\"]] argument "${argument}")
string(REPLACE [[`]] [[\`]] argument "${argument}")
string(REPLACE [[$]] [[\$]] argument "${argument}")
set(argument "\"${argument}\"")
string(REPLACE [[\]] [[\\]] argument "${argument}")
string(REPLACE "%" "%%" argument "${argument}")

file(READ "${DORVI_LAUNCHER_SOURCE}" launcher)
foreach(line "Exec=dorvi" "Icon=${DORVI_APP_ID}")
    string(FIND "${launcher}" "\n${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${DORVI_LAUNCHER_SOURCE}: manca la riga ${line}")
    endif()
endforeach()
string(REPLACE "\nExec=dorvi\n" "\nExec=${argument}\nPath=${plain}\n" launcher "${launcher}")
string(REPLACE "\nIcon=${DORVI_APP_ID}\n" "\nIcon=${plain}/${DORVI_APP_ID}.svg\n" launcher "${launcher}")

set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${DORVI_APP_ID}.desktop")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${launcher}")
