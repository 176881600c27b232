# Run by `cmake --install`: writes the desktop entry with the installed program's full path.
# Expects DESKTOP_IN, DESKTOP_OUT and BINDIR (relative to CMAKE_INSTALL_PREFIX, or absolute).
set(bindir "${BINDIR}")
if(NOT IS_ABSOLUTE "${bindir}")
    set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
set(program "${bindir}/hourglen")
# TryExec is a plain string value: only its backslashes are written twice.
string(REPLACE [[\]] [[\\]] HOURGLEN_TRY_EXEC "${program}")

# Exec: a path with blanks or reserved characters goes in double quotes, where " ` $ and \ take a
# backslash; as the value is also a string, each backslash is then written twice; % is written %%.
set(exec "${program}")
if(exec MATCHES [=[[ 	"'\><~|&;$*?#()`]]=])
    string(REPLACE [[\]] [[\\]] exec "${exec}")
    string(REPLACE [["]] [[\"]] exec "${exec}")
    string(REPLACE [[`]] [[\`]] exec "${exec}")
    string(REPLACE [[$]] [[\$]] exec "${exec}")
    set(exec "\"${exec}\"")
    string(REPLACE [[\]] [[\\]] exec "${exec}")
endif()
string(REPLACE "%" "%%" HOURGLEN_EXEC "${exec}")

configure_file("${DESKTOP_IN}" "${DESKTOP_OUT}" @ONLY)
