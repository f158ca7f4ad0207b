# tessaro scan on real documents: plain and JSON output, and the exit codes: 1 when fonts are
# missing (with --no-service too), 2 for a missing file. TESSARO is run through EMULATOR when one
# is given (Wine for the Windows build, whose lines end in CR LF).
set(tessaro ${EMULATOR} ${TESSARO})
macro(scan)
  execute_process(COMMAND ${tessaro} scan ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(REPLACE "\r\n" "\n" out "${out}")
endmacro()

scan(--no-service ${DATA}/documents/pdf/Shift.pdf)
if(NOT rc EQUAL 1 OR NOT out STREQUAL "Courier\nTimes-Bold\nTimes-Italic\nTimes-Roman\n")
  message(FATAL_ERROR "plain scan: rc=${rc} output=[${out}]")
endif()

scan(--json --no-service ${DATA}/documents/illustrator/classic-cc2017.ai
     ${DATA}/documents/photoshop/pen-text.psd)
set(expected "{\"file\":\"${DATA}/documents/illustrator/classic-cc2017.ai\",\"missing\":[\"Arial-BoldMT\"]}\n")
string(APPEND expected "{\"file\":\"${DATA}/documents/photoshop/pen-text.psd\",\"missing\":[\"Courier\",\"TimesNewRomanPSMT\"]}\n")
if(NOT rc EQUAL 1 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "json scan: rc=${rc} output=[${out}]")
endif()

# Documents of current application versions: a pretty-printed Photoshop font list and a
# CorelDRAW ZIP container.
scan(--json --no-service
     ${DATA}/documents/photoshop/grinched-regular-font.psd
     ${DATA}/documents/coreldraw/TextHintTest-x4.cdr)
set(expected "{\"file\":\"${DATA}/documents/photoshop/grinched-regular-font.psd\",\"missing\":[\"CourierNewPSMT\",\"Grinched\",\"Tahoma\"]}\n")
string(APPEND expected "{\"file\":\"${DATA}/documents/coreldraw/TextHintTest-x4.cdr\",\"missing\":[\"Arial\",\"MS Gothic\"]}\n")
if(NOT rc EQUAL 1 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "current versions: rc=${rc} output=[${out}]")
endif()

# The font tables of the CorelDRAW X4 and X5 containers, a Chinese font name among them (UTF-8,
# the ANSI code page of the C locale; under Wine the Chinese locale's 936; JSON is UTF-8 on both).
scan(--json --no-service
     ${DATA}/documents/coreldraw/groupdocs-sample-x4.cdr
     ${DATA}/documents/coreldraw/xapian-test2-x5.cdr)
set(expected "{\"file\":\"${DATA}/documents/coreldraw/groupdocs-sample-x4.cdr\",\"missing\":[\"Arial\",\"Courier New\",\"Wingdings\",\"造字工房尚雅体演示版常规体\"]}\n")
string(APPEND expected "{\"file\":\"${DATA}/documents/coreldraw/xapian-test2-x5.cdr\",\"missing\":[\"Arial\",\"MS Gothic\",\"SimSun\",\"Symbol\"]}\n")
if(NOT rc EQUAL 1 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "CorelDRAW font tables: rc=${rc} output=[${out}]")
endif()

# PDF font names as real producers write them: a descriptor name as a hex string of GBK bytes
# (小标宋, printed as UTF-8 text, not as the GBK bytes nor as the next key "ItalicAngle"), and
# "Family,Style" names (Segoe UI, never "Bold").
scan(--json --no-service
     ${DATA}/documents/pdf/gbk-hexstring-fontname.pdf
     ${DATA}/documents/pdf/family-comma-style.pdf)
set(expected "{\"file\":\"${DATA}/documents/pdf/gbk-hexstring-fontname.pdf\",\"missing\":[\"小标宋\"]}\n")
string(APPEND expected "{\"file\":\"${DATA}/documents/pdf/family-comma-style.pdf\",\"missing\":[\"Arial\",\"Arial-BoldMT\",\"ArialMT\",\"Segoe UI\"]}\n")
if(NOT rc EQUAL 1 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "real producers' PDF names: rc=${rc} output=[${out}]")
endif()

# (In English: the message of a Chinese locale is Chinese.)
set(tessaro ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${tessaro})
scan(--no-service ${DATA}/no-such-document.psd)
if(NOT rc EQUAL 2 OR NOT err MATCHES "cannot read")
  message(FATAL_ERROR "missing file: rc=${rc} stderr=[${err}]")
endif()
