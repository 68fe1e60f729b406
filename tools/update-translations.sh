#!/usr/bin/env bash
# Refreshes the translation sources in translations/ from the code, after
# texts were added, changed or removed anywhere in the tree:
#   gimbal-tool_LANG.ts  by lupdate: tr()/QT_TRANSLATE_NOOP in the window's
#                        code, the .ui file, qsTr() in the pages' scripts and
#                        the pages' HTML texts (tools/page-texts.py)
#   gimbalctl.pot, LANG.po  by xgettext and msgmerge: _() and N_() in
#                        gimbalctl, the station and the core
# New texts come in unfinished (fuzzy when msgmerge guesses from a near
# one), texts gone are dropped; tools/check-translations.py then lists what
# is left to translate. Add a language with LANGUAGES="de zh_CN fr" (and in
# translations/CMakeLists.txt).
#   tools/update-translations.sh [FOLDER]   (FOLDER: a copy of translations/ to
#                                           update instead, as the check does)
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8  # the same files in any language: sorted and written alike
LANGUAGES=${LANGUAGES:-"de zh_CN"}
out=${1:-translations}
if [ "$out" != translations ]; then
  mkdir -p "$out"
  cp translations/*.ts translations/*.po translations/*.pot "$out"/
fi
LUPDATE=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
for tool in "$LUPDATE" xgettext msgmerge msginit msgattrib python3; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (apt-get install qt6-l10n-tools gettext)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The window, the page and the operator's screen.
# (i18n.js only shows how qsTr is written.)
scripts=$(ls web/site/*.js station/screen/*.js | grep -v '/i18n\.js$')
python3 tools/page-texts.py web/site/index.html station/screen/index.html $scripts > "$work/page-texts.js"
window_sources=(app/*.h app/*.cpp app/*.ui calibration/*.cpp upgrade/FileLoading.cpp
                upgrade/ReleaseChoice.cpp upgrade/UpgradeSupervision.cpp upgrade/VersionCheck.cpp "$work/page-texts.js")
for language in $LANGUAGES; do
  "$LUPDATE" -silent -locations none -no-obsolete -source-language en -target-language "$language" \
    "${window_sources[@]}" -ts "$out/gimbal-tool_$language.ts" \
    2> >(grep -v "Qualifying with unknown namespace/class" >&2)
done

# gimbalctl, the station and the core's texts.
mapfile -t sources < <(find gimbalctl station unitupgrade upgrade calibration serial session protocol releases \
  \( -name '*.cpp' -o -name '*.h' \) ! -path unitupgrade/Translation.h | sort)
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_ --no-location --sort-output \
  --package-name=gimbal-tool --msgid-bugs-address=gimbal-tool@example.org \
  -o "$out/gimbalctl.pot" "${sources[@]}"
# The date line changes at each run; leave it out so that only texts make a difference.
sed -i '/^"POT-Creation-Date:/d' "$out/gimbalctl.pot"
for language in $LANGUAGES; do
  po=$out/$language.po
  if [ ! -f "$po" ]; then
    msginit --no-translator --locale="$language.UTF-8" -i "$out/gimbalctl.pot" -o "$po"
  fi
  msgmerge --quiet --update --backup=none --no-location --sort-output "$po" "$out/gimbalctl.pot"
  msgattrib --no-obsolete -o "$po" "$po"
done
[ "$out" != translations ] || echo "Updated translations/: tools/check-translations.py lists what is left"
