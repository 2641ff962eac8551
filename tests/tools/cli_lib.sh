# Sourced by the cavra-voucher tests: $tool is the program; failures counts
# what failed; dbargs are added to every expect (the database to run on).
failures=0
dbargs=()

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect CODE PATTERN ARGS...: the exit code and a pattern of the output.
expect() {
  local code=$1 pattern=$2
  shift 2
  local out
  out=$("$tool" "$@" "${dbargs[@]}" 2>&1)
  local got=$?
  if [[ $got -ne $code ]] || ! grep -qE -- "$pattern" <<<"$out"; then
    fail "cavra-voucher $* -> exit $got (want $code, /$pattern/)"
    echo "$out" | head -20 | sed 's/^/    /'
  fi
}

# check WHAT ACTUAL EXPECTED: a fact about the database after a command.
check() {
  [[ "$2" == "$3" ]] || fail "$1: got '$2', want '$3'"
}
