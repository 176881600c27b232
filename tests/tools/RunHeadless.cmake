# Runs a program of ours the way a server or a build machine would: with no display and no Qt
# platform chosen. It must not load Qt's GUI libraries at all, must end with status 0, and its
# output must match EXPECT.
#   cmake -DPROGRAM=file [-DARGS=a;b] -DEXPECT=regex -P RunHeadless.cmake

if(NOT PROGRAM OR NOT EXPECT)
    message(FATAL_ERROR "PROGRAM and EXPECT are needed")
endif()

file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${PROGRAM}"
    RESOLVED_DEPENDENCIES_VAR resolved UNRESOLVED_DEPENDENCIES_VAR unresolved)
set(core_found FALSE)
foreach(library IN LISTS resolved unresolved)
    if(library MATCHES "libQt6(Gui|Widgets|OpenGL|XcbQpa|WaylandClient)")
        message(FATAL_ERROR "${PROGRAM} needs ${library}; it must need Qt Core only")
    endif()
    if(library MATCHES "libQt6Core")
        set(core_found TRUE)
    endif()
endforeach()
if(NOT core_found)
    message(FATAL_ERROR "${PROGRAM}: Qt Core not among its libraries (${resolved}); the check would prove nothing")
endif()

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
execute_process(COMMAND "${PROGRAM}" ${ARGS}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 240)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ended with '${status}'\n${output}\n${errors}")
endif()
if(NOT output MATCHES "${EXPECT}")
    message(FATAL_ERROR "${PROGRAM}: output does not match '${EXPECT}':\n${output}\n${errors}")
endif()
message(STATUS "${PROGRAM} ran without a display")
