# cmake -DCATALOGUES="merged_de.ts;merged_zh_CN.ts" -DOUT_DIR=folder -P texts-js.cmake
# Writes the catalogues of the page and the operator's screen, one file per
# language named as browsers name it (texts-de.js, texts-zh-CN.js), which
# i18n.js loads for a page in that language only: each finished translation
# by its English text. Contexts are left out: one English text has one
# translation (tools/check-translations.sh sees to it).

# The XML text as a JavaScript string literal.
function(json_text result text)
  string(REPLACE "${kept}" ";" text "${text}")
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  set(${result} "\"${text}\"" PARENT_SCOPE)
endfunction()

string(ASCII 1 kept)
foreach(catalogue IN LISTS CATALOGUES)
  string(REGEX REPLACE ".*merged_(.*)\\.ts$" "\\1" language "${catalogue}")
  string(REPLACE "_" "-" language "${language}")
  file(READ ${catalogue} xml)
  # Semicolons would split the matches: kept aside as a character no text has.
  string(REPLACE ";" "${kept}" xml "${xml}")
  string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation>[^<]*</translation>" pairs
         "${xml}")
  set(entries "")
  foreach(pair IN LISTS pairs)
    string(REGEX REPLACE "^<source>([^<]*)</source>.*$" "\\1" english "${pair}")
    string(REGEX REPLACE "^.*<translation>([^<]*)</translation>$" "\\1" translation "${pair}")
    if(translation STREQUAL "")
      continue()
    endif()
    json_text(key "${english}")
    json_text(value "${translation}")
    string(APPEND entries "  ${key}: ${value},\n")
  endforeach()
  set(out ${OUT_DIR}/texts-${language}.js)
  file(WRITE ${out}.new "// Made at build from translations/ by translations/texts-js.cmake.
addGimbalTexts('${language}', {\n${entries}});\n")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  file(REMOVE ${out}.new)
endforeach()
