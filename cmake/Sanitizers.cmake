# AddressSanitizer + UndefinedBehaviorSanitizer for every target, when asked.
if(ORLINDEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# libFuzzer builds instrument every library for coverage; the fuzz targets
# add the fuzzer's own main.
if(ORLINDEL_LIBFUZZER)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
