#!/usr/bin/env bash
# End-to-end checks of mokuroku-check: exit statuses, the sample site's log, options, and that
# the settings file is only read. Usage: cli_test.sh MOKUROKU_CHECK SOURCE_DIR
set -u
checker=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
# The log in UTF-8 with LF, without the place and the time of the run.
readable() {
    local text
    text=$(iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | sed -e '/^基準ディレクトリ/d' -e '/^日時/d')
    text=${text//"$site_drive"/<site>}
    printf '%s\n' "${text//"$examples_drive"/<examples>}"
}

"$checker" --help >/dev/null; check "help" 0 $?
"$checker" --bogus >/dev/null 2>&1; check "unknown option" 2 $?
"$checker" -q -o "$work/none.txt" "$work/no-such-dir" >/dev/null 2>"$work/err"; check "missing directory" 2 $?
check "missing directory message" "mokuroku-check: チェック セットの基準ディレクトリが無効です。" "$(cat "$work/err")"

"$checker" -q -o "$work/log.txt" "$src/examples/site" >"$work/out"; check "warnings" 1 $?
check "report" "チェックを終了しました。
10 件の警告があります。
ログ: $work/log.txt" "$(cat "$work/out")"
readable "$work/log.txt" >"$work/log.utf8"
if ! diff -u "$src/cli/testdata/sample-site-log.txt" "$work/log.utf8"; then
    echo "FAILED: the sample site's log differs"
    failures=$((failures + 1))
else
    passes=$((passes + 1))
fi

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
# A settings file named on the command line must be there: no silent run on the defaults.
"$checker" -q -s "$work/missing.ini" >/dev/null 2>"$work/err"; check "missing settings" 2 $?
check "missing settings message" "mokuroku-check: no settings file at $work/missing.ini" "$(cat "$work/err")"
"$checker" -q -s "$work" >/dev/null 2>"$work/err"; check "settings directory" 2 $?
check "settings directory message" "mokuroku-check: cannot read the settings file $work" "$(cat "$work/err")"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
