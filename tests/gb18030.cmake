moravel_add_test(gb18030_test SOURCES gb18030_test.cpp LIBS moravel_text)
# iconv is the C library's; the mingw build has none.
if(NOT WIN32)
  moravel_add_test(gb18030_iconv_test SOURCES gb18030_iconv_test.cpp LIBS moravel_text)
endif()
moravel_add_test(gb18030_win_test SOURCES gb18030_win_test.cpp LIBS moravel_text WIN32_ONLY)
