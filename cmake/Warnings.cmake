# One place for the flags every target of ours gets.
add_library(zuvaro_warnings INTERFACE)
target_compile_options(zuvaro_warnings INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(ZUVARO_WERROR)
    target_compile_options(zuvaro_warnings INTERFACE -Werror)
endif()
target_compile_definitions(zuvaro_warnings INTERFACE
    QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING QT_STRICT_ITERATORS
    ZUVARO_VERSION="${PROJECT_VERSION}")
if(ZUVARO_SANITIZE)
    target_compile_options(zuvaro_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(zuvaro_warnings INTERFACE -fsanitize=address,undefined)
endif()
