# Installs the build into a prefix of its own and checks what a desktop finds there: the two programs,
# the desktop entry and the AppStream metainfo (each passing its validator), the icon in every size.
# Expects SOURCE_DIR, BUILD_DIR, PREFIX, DESKTOP_FILE_VALIDATE and APPSTREAMCLI.
cmake_minimum_required(VERSION 3.25)
set(app_id com.quillfern.Hourglen)
set(sizes 16 22 24 32 48 64 128 256)

function(fail text)
    message(FATAL_ERROR "${text}")
endfunction()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    string(JOIN " " command ${ARGN})
    message(STATUS "${command}: ${rc}\n${out}")
    if(NOT rc EQUAL 0)
        fail("${command} failed (${rc}):\n${out}")
    endif()
    set(run_output "${out}" PARENT_SCOPE)
endfunction()

foreach(tool DESKTOP_FILE_VALIDATE APPSTREAMCLI)
    if(NOT EXISTS "${${tool}}")
        fail("${tool} not found; scripts/setup.sh installs desktop-file-utils and appstream")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}")

# The programs run from their installed place.
run("${PREFIX}/bin/hourglen" --version)
if(NOT run_output MATCHES "^Hourglen [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")
    fail("hourglen --version printed: ${run_output}")
endif()
execute_process(COMMAND "${PREFIX}/bin/hourglen-packet" RESULT_VARIABLE rc ERROR_VARIABLE out OUTPUT_QUIET)
if(NOT rc EQUAL 2 OR NOT out MATCHES "usage: hourglen-packet")
    fail("hourglen-packet without arguments: ${rc} ${out}")
endif()

# The desktop entry names the installed program and passes the validator.
set(desktop "${PREFIX}/share/applications/${app_id}.desktop")
if(NOT EXISTS "${desktop}")
    fail("no desktop entry at ${desktop}")
endif()
file(STRINGS "${desktop}" lines)
foreach(expected "Name=Hourglen" "Categories=Utility;" "Icon=hourglen" "Type=Application"
        "TryExec=${PREFIX}/bin/hourglen")
    if(NOT expected IN_LIST lines)
        fail("${desktop} lacks the line ${expected}")
    endif()
endforeach()
run("${DESKTOP_FILE_VALIDATE}" "${desktop}")
if(run_output MATCHES "error:|warning:")
    fail("desktop-file-validate: ${run_output}")
endif()

# The metainfo file passes AppStream's own check without the network.
set(metainfo "${PREFIX}/share/metainfo/${app_id}.metainfo.xml")
if(NOT EXISTS "${metainfo}")
    fail("no metainfo at ${metainfo}")
endif()
run("${APPSTREAMCLI}" validate --no-net "${metainfo}")

# The icon: a PNG of each size (its header says so) and the SVG it was drawn from.
foreach(size ${sizes})
    set(png "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/hourglen.png")
    if(NOT EXISTS "${png}")
        fail("no icon at ${png}")
    endif()
    file(READ "${png}" header LIMIT 24 HEX)
    math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex_size}" 2 -1 digits)
    string(LENGTH "${digits}" length)
    math(EXPR pad "8 - ${length}")
    string(REPEAT "0" ${pad} zeros)
    set(dimension "${zeros}${digits}")
    string(TOLOWER "89504e470d0a1a0a0000000d49484452${dimension}${dimension}" expected)
    if(NOT header STREQUAL expected)
        fail("${png} is not a ${size} x ${size} PNG image (header ${header})")
    endif()
endforeach()
set(svg "${PREFIX}/share/icons/hicolor/scalable/apps/hourglen.svg")
if(NOT EXISTS "${svg}")
    fail("no icon at ${svg}")
endif()
file(READ "${svg}" text)
if(NOT text MATCHES "<svg[^>]*viewBox=")
    fail("${svg} is not an SVG drawing")
endif()

# A prefix with blanks and characters the entry's Exec line must quote and escape still validates.
set(odd_prefix [[/opt/my apps/a\b$c"d`e%f]])
execute_process(COMMAND ${CMAKE_COMMAND} -DDESKTOP_IN=${SOURCE_DIR}/desktop/${app_id}.desktop.in
    -DDESKTOP_OUT=${PREFIX}/odd/${app_id}.desktop -DBINDIR=bin "-DCMAKE_INSTALL_PREFIX=${odd_prefix}"
    -P ${SOURCE_DIR}/desktop/WriteDesktopEntry.cmake RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    fail("the desktop entry for ${odd_prefix} was not written")
endif()
file(READ "${PREFIX}/odd/${app_id}.desktop" entry)
string(FIND "${entry}" [[Exec="/opt/my apps/a\\\\b\\$c\\"d\\`e%%f/bin/hourglen"]] exec_at)
string(FIND "${entry}" [[TryExec=/opt/my apps/a\\b$c"d`e%f/bin/hourglen]] try_exec_at)
if(exec_at LESS 0 OR try_exec_at LESS 0)
    fail("the entry for ${odd_prefix} has other Exec or TryExec lines:\n${entry}")
endif()
run("${DESKTOP_FILE_VALIDATE}" "${PREFIX}/odd/${app_id}.desktop")

file(REMOVE_RECURSE "${PREFIX}")
