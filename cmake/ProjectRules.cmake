# The project-wide rules every target links: language level, warnings, Qt's safety switches, sanitizers.
add_library(hourglen_rules INTERFACE)
target_compile_features(hourglen_rules INTERFACE cxx_std_20)
target_compile_options(hourglen_rules INTERFACE -Wall -Wextra -Wpedantic)
if(HOURGLEN_WERROR)
    target_compile_options(hourglen_rules INTERFACE -Werror)
endif()
target_compile_definitions(hourglen_rules INTERFACE
    QT_USE_QSTRINGBUILDER
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_include_directories(hourglen_rules INTERFACE ${CMAKE_SOURCE_DIR})

if(HOURGLEN_SANITIZE)
    set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_compile_options(hourglen_rules INTERFACE ${_san})
    target_link_options(hourglen_rules INTERFACE ${_san})
endif()
if(HOURGLEN_TSAN)
    set(_tsan -fsanitize=thread -fno-omit-frame-pointer)
    target_compile_options(hourglen_rules INTERFACE ${_tsan})
    target_link_options(hourglen_rules INTERFACE ${_tsan})
endif()

# A library target of one layer.
#   hourglen_add_layer(name SOURCES a.cpp a.h ... [PUBLIC lib ...] [PRIVATE lib ...])
# PUBLIC names what the layer's headers expose to its users; everything else the layer uses is
# PRIVATE, so a user sees only what it links itself. The project rules travel with every layer.
function(hourglen_add_layer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC hourglen_rules ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
