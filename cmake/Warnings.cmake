# Warning flags shared by every target of the project.
add_library(kinotra_warnings INTERFACE)
target_compile_options(kinotra_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(KINOTRA_WERROR)
    target_compile_options(kinotra_warnings INTERFACE -Werror)
endif()
