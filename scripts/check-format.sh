#!/usr/bin/env bash
# Every C++ file of the tree is formatted as .clang-format says. Lists the files that are
# not, with the command that formats them. Exit status 0 when all are, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  echo "format: clang-format is missing (bash scripts/setup.sh installs it)"
  exit 1
fi
bad=()
while IFS= read -r f; do
  clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src cli sim tests bench fuzz -name '*.cpp' -o -name '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: ${#bad[@]} file(s) differ from .clang-format:"
  printf '  %s\n' "${bad[@]}"
  echo "format them with: clang-format -i ${bad[*]}"
  exit 1
fi
echo "format: ok"
