# Registers one test executable with CTest.
#   hourglen_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS l ...] [TSAN])
# Tests marked TSAN also belong to the ThreadSanitizer run; in that build only they are defined.
# Every test runs under the offscreen platform; its own temporary XDG folders come from TestMain.h.
function(hourglen_add_test)
    cmake_parse_arguments(ARG "TSAN" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
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
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
