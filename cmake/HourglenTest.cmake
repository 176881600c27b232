# Registers one test executable with CTest.
#   hourglen_add_test(NAME tst_name SOURCES tst_Name.cpp ... LIBS lib ... LABELS folder [TSAN] [SERIAL]
#                     [TIMEOUT seconds])
# The name is tst_ and the class or subsystem in lower case; the label is the code folder tested.
# Tests marked TSAN also belong to the ThreadSanitizer run; in that build only they are defined.
# Tests marked SERIAL (those that start many real processes) run with no other test beside them,
# so they neither starve the timing-sensitive tests nor are starved by them.
# Every test runs under the offscreen platform; its own temporary XDG folders come from TestMain.h.
function(hourglen_add_test)
    cmake_parse_arguments(ARG "TSAN;SERIAL" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT ARG_NAME MATCHES "^tst_[a-z0-9_]+$")
        message(FATAL_ERROR "test '${ARG_NAME}': test programs are named tst_ and their subject in lower case")
    endif()
    set(folders app core schedule trigger ui support debugview toolkit platform tools)
    list(LENGTH ARG_LABELS label_count)
    if(NOT label_count EQUAL 1 OR NOT ARG_LABELS IN_LIST folders)
        message(FATAL_ERROR "test '${ARG_NAME}': give one label, the code folder it tests (${folders})")
    endif()
    if(HOURGLEN_TSAN AND NOT ARG_TSAN)
        return()
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE hourglen_rules hourglen_testcommon ${ARG_LIBS})
    target_compile_definitions(${ARG_NAME} PRIVATE
        HOURGLEN_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        HOURGLEN_SHARED_DATAPACKETS="${CMAKE_SOURCE_DIR}/../shared/datapackets")
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set(labels ${ARG_LABELS})
    if(ARG_TSAN)
        list(APPEND labels tsan)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES
        LABELS "${labels}"
        TIMEOUT ${ARG_TIMEOUT}
        RUN_SERIAL ${ARG_SERIAL}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
