# Writes the site's service worker for this build: the site's file names and
# a build id made from their content, so that each build is cached whole
# under a name of its own.
#   cmake -DSITE=folder -DTEMPLATE=web/site/sw.js -P web/stamp-site.cmake
file(GLOB names RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM names sw.js)
list(SORT names)
set(hashes "")
foreach(name IN LISTS names)
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND hashes "${name} ${hash}\n")
endforeach()
string(SHA256 build "${hashes}")
string(SUBSTRING ${build} 0 16 SITE_BUILD)
list(JOIN names " " SITE_FILES)
set(SITE_FILES "./ ${SITE_FILES}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
