#!/usr/bin/env bash
# Language texts are named (src/base/Texts.h), never numbers. The types see to most of it:
# TextAt, L, TMessage::Lang ... take a Text, which no int converts to. This finds the ways
# around them:
#   - a number made a Text (static_cast<Text>(80), Text{80}) outside Texts.h;
#   - a language table indexed by a number (texts[80]: TextAt / SetText name the text);
#   - a local text constant (constexpr int kTextFoo = 80);
#   - a file entry by number (language.Entry(80)) outside the language loader's own tests;
#   - a number as the offset of a run of texts (TextInRun(Text::UserIdTitle, 2)), or
#     compared with a text's number (TextNumber(id) == 80).
# Exit status 0 when none is found, 1 otherwise (each is printed).
set -uo pipefail
cd "$(dirname "$0")/.."

faults=0
check() {  # reason, Perl regex, paths to leave out...
  local reason=$1 pattern=$2
  shift 2
  local hits
  hits=$(grep -rnP --include='*.h' --include='*.cpp' "$pattern" src cli sim tests bench fuzz |
    grep -v -F -f <(printf '%s:\n' src/base/Texts.h "$@"))
  if [[ -n $hits ]]; then
    while IFS= read -r hit; do echo "texts: $reason: $hit" >&2; done <<<"$hits"
    faults=$((faults + $(wc -l <<<"$hits")))
  fi
}

check "number made a Text" 'static_cast<Text>|(?<![\w.:>])Text\s*[({]\s*-?\d'
# The message recorder's Texts() holds the messages, and a printed page's items are no
# language table (texts[0].text).
check "language table indexed by a number" \
  '(?<![*&]\s)(?<![*&])(?<!ui\.)(?<!ui_\.)(?<!Ui\.)\b[Tt]exts_?(\(\))?\s*\[\s*\d+\s*\](?!\s*\.)'
check "local text constant" 'constexpr\s+int\s+kText\w*\s*='
check "language file entry by number" '\.Entry\(\s*-?\d' \
  tests/catalog/LanguageTest.cpp fuzz/fuzz_language.cpp
check "run of texts entered at a number" 'TextInRun\([^,()]*,\s*\d+\s*\)'
check "text compared with a number" 'TextNumber\([^()]*\)\s*[=!<>]=?\s*\d'

if [[ $faults -gt 0 ]]; then
  echo "texts: $faults bare text number(s); name them in src/base/Texts.h" >&2
  exit 1
fi
echo "texts: ok"
