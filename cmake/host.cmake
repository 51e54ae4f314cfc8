# The host build: the portable cores for the unit tests (GoogleTest, through CTest),
# zelvosav on X11, and with ZELVO_FUZZ the libFuzzer targets, all that they link
# built under AddressSanitizer and UBSan.
enable_testing()
if(ZELVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
endif()
