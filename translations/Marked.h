#pragma once
// Marks an English text for translation where it is defined, without
// translating it there: each face looks the text up when it shows it
// (gettext's convention; tools/update-translations.sh collects the marks).
// The text itself is the key, so it stays the English one, byte for byte.
#define N_(text) text
