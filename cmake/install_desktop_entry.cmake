# Run by `cmake --install`: writes the desktop entry with the installed
# program's full path, so that it starts wherever the prefix is, also off
# the PATH. VINDRALO_DESKTOP_TEMPLATE names the entry's template.

set(VINDRALO_EXEC "${CMAKE_INSTALL_PREFIX}/bin/vindralo")
# A path with characters the Exec key reserves is quoted, with '"', '`', '$'
# and '\' escaped inside the quotes; then, as in every string value of the
# entry, each '\' is doubled; '%' is written "%%".
if(VINDRALO_EXEC MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" VINDRALO_EXEC "${VINDRALO_EXEC}")
  string(REPLACE "\\" "\\\\" VINDRALO_EXEC "${VINDRALO_EXEC}")
  set(VINDRALO_EXEC "\"${VINDRALO_EXEC}\"")
endif()
string(REPLACE "%" "%%" VINDRALO_EXEC "${VINDRALO_EXEC}")

set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/vindralo.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${VINDRALO_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
