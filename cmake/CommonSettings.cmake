# Build settings every target of the project links.
add_library(vellumark_settings INTERFACE)
target_compile_features(vellumark_settings INTERFACE cxx_std_20)
target_compile_options(vellumark_settings INTERFACE
  -Wall -Wextra -pedantic -Wnon-virtual-dtor -Wold-style-cast -Wshadow -Woverloaded-virtual)
target_compile_definitions(vellumark_settings INTERFACE
  _GLIBCXX_ASSERTIONS
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(VELLUMARK_WERROR)
  target_compile_options(vellumark_settings INTERFACE -Werror)
endif()
# Sanitized builds are for finding faults: at -O1 with line tables only they build faster and
# still name every frame of a report.
if(VELLUMARK_SANITIZE OR VELLUMARK_SANITIZE_THREAD)
  target_compile_options(vellumark_settings INTERFACE -O1 -g1)
endif()
if(VELLUMARK_SANITIZE)
  target_compile_options(vellumark_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(vellumark_settings INTERFACE -fsanitize=address,undefined)
endif()
if(VELLUMARK_SANITIZE_THREAD)
  if(VELLUMARK_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer does not combine with AddressSanitizer: configure a build directory for each")
  endif()
  target_compile_options(vellumark_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(vellumark_settings INTERFACE -fsanitize=thread)
endif()
