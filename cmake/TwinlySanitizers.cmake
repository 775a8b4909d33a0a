# TWINLY_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
if(TWINLY_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# TWINLY_TSAN=ON builds everything with ThreadSanitizer, for checking the worker threads' hand-overs.
# It cannot be combined with AddressSanitizer. Qt is not built with the tool: its mutexes and wait
# conditions are futexes it cannot see, so whatever Qt hands between threads (queued calls, its
# pooled threads) would show as races. Run the suites with
#   TSAN_OPTIONS=ignore_noninstrumented_modules=1
# so that memory calls made inside Qt go unchecked; races in this program's own code still show.
if(TWINLY_TSAN)
    if(TWINLY_SANITIZE)
        message(FATAL_ERROR "TWINLY_TSAN and TWINLY_SANITIZE exclude each other")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
