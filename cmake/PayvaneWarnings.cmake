# Every target links payvane_options: warnings, and the sanitizers when asked.
add_library(payvane_options INTERFACE)

target_compile_options(payvane_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wformat=2)
target_compile_definitions(payvane_options INTERFACE
    QT_NO_FOREACH
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(PAYVANE_WERROR)
    target_compile_options(payvane_options INTERFACE -Werror)
endif()

if(PAYVANE_SANITIZE)
    target_compile_options(payvane_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(payvane_options INTERFACE -fsanitize=address,undefined)
endif()
