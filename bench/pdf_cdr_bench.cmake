# corvid_pdf_cdr_bench: the PDF rewrite (against pdffonts) and the CorelDRAW extraction.
# Included from bench/CMakeLists.txt; the program lands in build/bench.
find_package(benchmark REQUIRED)
add_executable(corvid_pdf_cdr_bench ${CMAKE_CURRENT_LIST_DIR}/pdf_cdr_bench.cpp)
set_target_properties(corvid_pdf_cdr_bench PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_libraries(corvid_pdf_cdr_bench PRIVATE corvid_core benchmark::benchmark)
target_compile_definitions(corvid_pdf_cdr_bench PRIVATE
  TESSARO_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
tessaro_compile_options(corvid_pdf_cdr_bench)
