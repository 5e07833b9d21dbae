// test_host compiles this file by path; the builder itself is shared.
#include "../support/docx.cpp"
