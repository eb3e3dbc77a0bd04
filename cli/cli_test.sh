#!/usr/bin/env bash
# End-to-end checks of mokuroku-check: exit statuses, the sample site's log, options, and that
# the settings file is only read. Usage: cli_test.sh MOKUROKU_CHECK SOURCE_DIR
set -u
checker=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
src=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The settings of whoever runs the test play no part.
export HOME="$work" XDG_CONFIG_HOME="$work"
failures=0
passes=0
check() {  # check NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passes=$((passes + 1))
    else
        echo "FAILED: $1: expected [$2], got [$3]"
        failures=$((failures + 1))
    fi
}
# The sample site in drive form, as the logs name it.
site_drive="C:$(cd "$src/examples/site" && pwd | tr / '\\')"
examples_drive="C:$(cd "$src/examples" && pwd | tr / '\\')"
# The log in UTF-8 with LF, without the place and the time of the run; the site's directory
# (the sample site's, or SITE_DRIVE) reads <site>. Usage: readable LOG [SITE_DRIVE]
readable() {
    local text
    text=$(iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | sed -e '/^基準ディレクトリ/d' -e '/^日時/d')
    text=${text//"${2:-$site_drive}"/<site>}
    printf '%s\n' "${text//"$examples_drive"/<examples>}"
}
# sample_log NAME LOG: the log must read as the sample site's expected log.
sample_log() {
    readable "$2" >"$work/compared.utf8"
    if ! diff -u "$src/cli/testdata/sample-site-log.txt" "$work/compared.utf8"; then
        echo "FAILED: $1 differs"
        failures=$((failures + 1))
    else
        passes=$((passes + 1))
    fi
}

"$checker" --help >/dev/null; check "help" 0 $?
"$checker" --bogus >/dev/null 2>&1; check "unknown option" 2 $?
"$checker" -q -o "$work/none.txt" "$work/no-such-dir" >/dev/null 2>"$work/err"; check "missing directory" 2 $?
check "missing directory message" "mokuroku-check: チェック セットの基準ディレクトリが無効です。" "$(cat "$work/err")"

"$checker" -q -o "$work/log.txt" "$src/examples/site" >"$work/out" 2>&1; check "warnings" 1 $?
check "quiet" "" "$(cat "$work/out")"
sample_log "the sample site's log" "$work/log.txt"

"$checker" -q -t csv -o "$work/log.csv" "$src/examples/site" >/dev/null
check "csv columns" '"ファイル名","行数","タグ名","属性名","属性値","リンク先","警告 ID","警告内容"' \
    "$(iconv -f CP932 -t UTF-8 "$work/log.csv" | tr -d '\r' | sed -n 7p)"

# A stored check set, chosen by name; the settings file must stay as it was.
printf '[Settings]\r\nSetId=0\r\nLocalCheck=1\r\nRemoteCheck=0\r\nLogFileDirectory=%s\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n\r\n[Check Set - 見本]\r\nLocalPath=%s\r\nUrl=\r\nDefaultDocument=index.html\r\nHtmlFilePattern=*.htm;*.html\r\nAlertIgnoredFile=0\r\nFileAttribute=1\r\nDirAttribute=1\r\n' \
    "$work" "$src/examples/site" | iconv -f UTF-8 -t CP932 >"$work/mokuroku.ini"
before=$(sha1sum <"$work/mokuroku.ini")
"$checker" -q -s "$work/mokuroku.ini" -c 見本 >"$work/out"; check "stored set" 1 $?
check "stored set log" 1 "$(ls "$work"/見本.txt 2>/dev/null | wc -l)"
"$checker" -q -s "$work/mokuroku.ini" -c nothing >/dev/null 2>&1; check "unknown set" 2 $?
"$checker" -q -s "$work/mokuroku.ini" --no-local --no-remote >/dev/null 2>&1; check "no box" 2 $?
check "settings untouched" "$before" "$(sha1sum <"$work/mokuroku.ini")"

# The same site as a check set stored before ModernHtml existed gives the same log.
printf '[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n\r\n[Check Set - site]\r\nLocalPath=%s\r\nUrl=\r\nDefaultDocument=index.html\r\nHtmlFilePattern=*.*htm*\r\nCheckMailTo=1\r\nCheckBaseDirOver=1\r\nAlertDirListing=1\r\nAlertIgnoredFile=1\r\nFileAttribute=1\r\nFilePatternXEnabled=1\r\nFilePatternX=*.bak;*.log\r\nDirAttribute=1\r\n' \
    "$(cd "$src/examples/site" && pwd)" >"$work/old.ini"
"$checker" -q -s "$work/old.ini" -c site -o "$work/old.txt" >/dev/null; check "stored set without ModernHtml" 1 $?
sample_log "the log of a set stored without ModernHtml" "$work/old.txt"
# --modern / --no-modern override the check set: a root-relative link is read against the base
# directory only when reading as today's sites are written.
mkdir -p "$work/rooted"
printf '<a href="/x.htm">x</a>\n' >"$work/rooted/index.html"
printf '<a href="/">top</a>\n' >"$work/rooted/x.htm"
"$checker" -q --no-log "$work/rooted"; check "modern by default for DIR" 0 $?
"$checker" -q --no-log --no-modern "$work/rooted"; check "--no-modern" 1 $?
sed -e "s|$(cd "$src/examples/site" && pwd)|$work/rooted|" "$work/old.ini" >"$work/rooted.ini"
"$checker" -q --no-log -s "$work/rooted.ini" -c site; check "stored set without ModernHtml" 1 $?
"$checker" -q --no-log -s "$work/rooted.ini" -c site --modern; check "--modern on a stored set" 0 $?
"$checker" --modern --no-modern "$work/rooted" >/dev/null 2>&1; check "--modern with --no-modern" 2 $?
# A settings file named on the command line must be there: no silent run on the defaults.
"$checker" -q -s "$work/missing.ini" >/dev/null 2>"$work/err"; check "missing settings" 2 $?
check "missing settings message" "mokuroku-check: no settings file at $work/missing.ini" "$(cat "$work/err")"
"$checker" -q -s "$work" >/dev/null 2>"$work/err"; check "settings directory" 2 $?
check "settings directory message" "mokuroku-check: cannot read the settings file $work" "$(cat "$work/err")"

same_file() {  # same_file NAME EXPECTED_FILE ACTUAL_FILE
    if cmp -s "$2" "$3"; then
        passes=$((passes + 1))
    else
        echo "FAILED: $1"
        diff -u "$2" "$3" | head -40
        failures=$((failures + 1))
    fi
}
site_host=$(cd "$src/examples/site" && pwd)
examples_host=$(cd "$src/examples" && pwd)
export SOURCE_DATE_EPOCH=0 TZ=UTC

# The three reports over the sample site, in one run, one of them on standard output.
"$checker" -q -o "$work/r.txt" --json "$work/r.json" --sarif - --junit "$work/r.xml" \
    "$src/examples/site" >"$work/r.sarif" 2>"$work/err"; check "reports" 1 $?
check "reports quiet" "" "$(cat "$work/err")"
sed -e "s|$site_host|<site>|g" -e "s|$examples_host|<examples>|g" "$work/r.json" >"$work/r.json.shown"
same_file "exact JSON report" "$src/cli/testdata/sample-site-report.json" "$work/r.json.shown"
python3 "$src/cli/check_report.py" validate "$src/docs/mokuroku-check-report.schema.json" "$work/r.json"
check "JSON schema" 0 $?
python3 "$src/cli/check_report.py" validate "$src/cli/testdata/sarif-schema-2.1.0.json" "$work/r.sarif"
check "SARIF schema" 0 $?
check "SARIF results" 10 "$(grep -c '"ruleId"' "$work/r.sarif")"
check "JUnit" "6 5 6 5" "$(python3 "$src/cli/check_report.py" junit "$work/r.xml")"

# A directory whose path is too long to search is a warning of the log: the run is not clean.
mkdir -p "$work/deep" && printf '<a href="index.htm">x</a>' >"$work/deep/index.htm"
(
    cd "$work/deep" || exit
    long=$(printf 'd%.0s' $(seq 250))
    for _ in $(seq 18); do mkdir "$long" && cd "$long" || exit; done
)
"$checker" -q -o "$work/deep.txt" --json "$work/deep.json" "$work/deep" 2>"$work/err"
check "unsearched directory" 1 $?
check "unsearched directory told" 1 "$(grep -c 'not searched, the path is too long' "$work/err")"
# The report lists it as the log does, first.
check "unsearched directory reported" "1 5 True" "$(python3 -c 'import json,sys
r = json.load(open(sys.argv[1]))
print(r["counts"]["warnings"], r["records"][0]["number"], r["records"][0]["file"]["path"].startswith(sys.argv[2]))' \
    "$work/deep.json" "$work/deep/")"
rm -rf "$work/deep"

# Choosing warnings: the exit status follows what remains.
count_in() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["counts"]["warnings"])' "$1"; }
"$checker" -q --no-log --json "$work/c.json" --ignore 3,41 "$src/examples/site"; check "ignore" 1 $?
check "ignore count" 7 "$(count_in "$work/c.json")"
"$checker" -q --no-log --json "$work/c.json" --only 41,43 "$src/examples/site"; check "only" 1 $?
check "only count" 3 "$(count_in "$work/c.json")"
"$checker" -q --no-log --only 41,64 --ignore 41 "$src/examples/site"; check "only and ignore" 0 $?
"$checker" -q --no-log --ignore 3,11,12,32,41,43,49,50,61 "$src/examples/site"; check "all ignored" 0 $?
"$checker" -q -o "$work/i.txt" --ignore 3 --ignore 61 "$src/examples/site"; check "ignored log" 1 $?
check "ignored log count" 0 "$(iconv -f CP932 -t UTF-8 "$work/i.txt" | grep -c '\[3\]\|\[61\]')"
for bad in "--ignore 100" "--ignore 6" "--only x" "--ignore 3,"; do
    "$checker" -q --no-log $bad "$src/examples/site" 2>"$work/err"; check "bad: $bad" 2 $?
    check "bad: $bad, one line" 1 "$(wc -l <"$work/err")"
done
check "no log written" 0 "$(ls "$work"/site.* 2>/dev/null | wc -l)"

# Places that cannot be written are refused before the run, and nothing is left half written.
"$checker" -q --json "$work/none/r.json" "$src/examples/site" 2>/dev/null; check "report dir missing" 2 $?
"$checker" -q -o "$work/none/log.txt" "$src/examples/site" 2>/dev/null; check "log dir missing" 2 $?
"$checker" -q --json - --sarif - "$src/examples/site" >/dev/null 2>&1; check "two on stdout" 2 $?
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$work/ro" && chmod 555 "$work/ro"
    "$checker" -q --junit "$work/ro/r.xml" "$src/examples/site" 2>/dev/null; check "read-only dir" 2 $?
fi
check "nothing half written" "" "$(ls "$work" | grep -i 'tmp\|none')"

# The UTF-8 log is the code page 932 log, byte for byte, in the other encoding; CSV gets a BOM.
for type in txt csv tsv; do
    "$checker" -q -t $type -o "$work/cp.$type" "$src/examples/site"
    "$checker" -q -t $type --log-encoding utf-8 -o "$work/u8.$type" "$src/examples/site"
    { [ $type = csv ] && printf '\xEF\xBB\xBF'; iconv -f CP932 -t UTF-8 "$work/cp.$type"; } >"$work/want.$type"
    same_file "UTF-8 $type log" "$work/want.$type" "$work/u8.$type"
done
# A name code page 932 cannot hold survives only in UTF-8.
mkdir -p "$work/사이트"
printf '<a href="x.htm">x</a>\n' >"$work/사이트/index.htm"
"$checker" -q --log-encoding utf-8 -o "$work/k.txt" "$work/사이트"; check "korean site" 1 $?
check "korean name kept" 1 "$(grep -c '^チェックセット名 : 사이트' "$work/k.txt")"
"$checker" -q -o "$work/k932.txt" "$work/사이트"
check "korean name in cp932" 1 "$(iconv -f CP932 -t UTF-8 "$work/k932.txt" | grep -c '^チェックセット名 : ???')"

# The LogEncoding setting; a value out of range keeps code page 932, says so, and loses nothing.
for value in 1 7; do
    printf '[Settings]\r\nSetId=0\r\nLogEncoding=%s\r\nLogFileDirectory=%s\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n\r\n[Check Set - 見本]\r\nLocalPath=%s\r\nUrl=\r\nDefaultDocument=index.html\r\nHtmlFilePattern=*.htm;*.html\r\nAlertIgnoredFile=0\r\nFileAttribute=1\r\nDirAttribute=1\r\n' \
        "$value" "$work/enc$value" "$src/examples/site" | iconv -f UTF-8 -t CP932 >"$work/enc.ini"
    mkdir -p "$work/enc$value"
    "$checker" -q -s "$work/enc.ini" 2>"$work/err"; check "LogEncoding=$value" 1 $?
    if [ $value = 1 ]; then
        check "LogEncoding=1 is UTF-8" 1 "$(grep -c '^チェックセット名 : 見本' "$work/enc1/見本.txt")"
    else
        check "LogEncoding=7 is code page 932" 1 \
            "$(iconv -f CP932 -t UTF-8 "$work/enc7/見本.txt" | grep -c '^チェックセット名 : 見本')"
        check "LogEncoding=7 said" 1 "$(grep -c 'LogEncoding' "$work/err")"
    fi
done

# The summary on standard error.
(cd "$work" && "$checker" -o log.txt "$src/examples/site" >"$work/out" 2>"$work/err"); check "summary run" 1 $?
check "summary leaves stdout alone" "" "$(cat "$work/out")"
sed -e "s|$site_host|<site>|g" -e "s|$examples_host|<examples>|g" -e "s|$work|<work>|g" "$work/err" >"$work/err.shown"
same_file "summary" "$src/cli/testdata/sample-site-summary.txt" "$work/err.shown"
(cd "$work" && "$checker" "$src/examples/site" 2>&1 | tail -1) >"$work/where"
check "where the log went" "ログ: $work/site.txt (no settings file: the current directory; -o FILE chooses)" "$(cat "$work/where")"

# A generated site in the three Japanese encodings, with planted faults: its log stays as stored,
# byte for byte but for the place and the time, read by today's rules and by the original ones
# alike (the site uses nothing only today's pages have).
python3 "$src/bench/make_site.py" "$work/generated" 200 20 >/dev/null
generated_drive="C:$(cd "$work/generated" && pwd | tr / '\\')"
for rules in modern no-modern; do
    "$checker" -q "--$rules" -o "$work/generated.txt" "$work/generated"
    check "generated site, $rules" 1 $?
    readable "$work/generated.txt" "$generated_drive" >"$work/generated.utf8"
    same_file "generated site's log, $rules" "$src/cli/testdata/generated-site-log.txt" \
        "$work/generated.utf8"
done

# Every warning number has its explanation, from the help document beside the program.
numbers="1 2 3 4 5 8 9 11 12 13 14 19 21 22 23 24 25 26 27 31 32 33 34 35 36 37 38 41 42 43 44 45 46 47 48 49 50 51 52 53 54 56 57 61 62 63 64 96 97 98 99"
"$checker" --explain >"$work/list"; check "explain list" 0 $?
check "explain list numbers" "$numbers" "$(awk '{print $1}' "$work/list" | tr '\n' ' ' | sed 's/ $//')"
for n in $numbers; do
    "$checker" --explain "$n" >"$work/one"; rc=$?
    parts=$(grep -c "^$n: .\|^説明: .\|^対処法: ." "$work/one")
    check "explain $n" "0 3" "$rc $parts"
done
for bad in 6 100 x 41,43; do
    "$checker" --explain $bad >/dev/null 2>&1; check "explain $bad" 2 $?
done

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
