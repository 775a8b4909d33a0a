# One warning set for every first-party target. -Werror only where TWINLY_WERROR asks for it
# (CI and the test command), so a newer compiler's new warning never blocks a user's build.
add_library(twinly_warnings INTERFACE)
add_library(twinly::warnings ALIAS twinly_warnings)
target_compile_options(twinly_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override
    -Wcast-align -Wformat-security -Wvla -Wzero-as-null-pointer-constant -Werror=return-type
    $<$<CXX_COMPILER_ID:GNU>:-Wlogical-op>)
if(TWINLY_WERROR)
    target_compile_options(twinly_warnings INTERFACE -Werror)
endif()
