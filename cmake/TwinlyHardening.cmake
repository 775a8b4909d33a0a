# TWINLY_HARDENING=ON builds with the hardening Debian gives its packages (what dpkg-buildflags
# hands out): checked buffer functions, stack protection, a read-only relocation table bound at
# start-up, position-independent programs. The package's build turns it on; the sanitizer and
# fuzz builds bring checks of their own that these would get in the way of.
option(TWINLY_HARDENING "Build with Debian's hardening flags" OFF)
if(TWINLY_HARDENING)
    if(TWINLY_SANITIZE OR TWINLY_TSAN OR TWINLY_FUZZ)
        message(FATAL_ERROR "TWINLY_HARDENING does not go with the sanitizer or fuzz builds")
    endif()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES C CXX)
    # The checked functions need the optimiser; a Debug build would only be warned.
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
