# One place for the build settings every target shares.
add_library(tavix_config INTERFACE)
target_compile_features(tavix_config INTERFACE cxx_std_20)
target_compile_options(tavix_config INTERFACE -Wall -Wextra -Wpedantic)
if(TAVIX_WARNINGS_AS_ERRORS)
    target_compile_options(tavix_config INTERFACE -Werror)
endif()
target_compile_definitions(tavix_config INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS)
option(TAVIX_SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)
if(TAVIX_SANITIZE)
    # Every report ends the program, so a test that triggers one fails instead of passing with
    # the report hidden in its output.
    target_compile_options(tavix_config INTERFACE -fsanitize=address,undefined
                           -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(tavix_config INTERFACE -fsanitize=address,undefined
                        -fno-sanitize-recover=all)
endif()
