# `cmake --install` into a throw-away prefix: exactly the expected files; icons of their
# sizes; the sample data as in the sources; the installed program runs on it and, without a
# data folder, names where it looked; the manual page and the shell completion work.
source "$(dirname "$0")/install_common.sh"
prefix=$scratch/prefix
install_into "$prefix"

expected="bin/velmaro
share/applications/org.velmaro.Velmaro.desktop
share/bash-completion/completions/velmaro
share/icons/hicolor/128x128/apps/velmaro.png
share/icons/hicolor/16x16/apps/velmaro.png
share/icons/hicolor/256x256/apps/velmaro.png
share/icons/hicolor/32x32/apps/velmaro.png
share/icons/hicolor/48x48/apps/velmaro.png
share/icons/hicolor/64x64/apps/velmaro.png
share/icons/hicolor/scalable/apps/velmaro.svg
share/man/man1/velmaro.1.gz
share/metainfo/org.velmaro.Velmaro.metainfo.xml
share/velmaro/sample/README.md
share/velmaro/sample/elenco.dir
share/velmaro/sample/esami.dir
share/velmaro/sample/esami.grp
share/velmaro/sample/titoli.grp
share/velmaro/sample/velmara.dir"
actual=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
diff <(echo "$expected") <(echo "$actual") || fail "the installed files are not the expected ones"

for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/velmaro.png
    [[ $(png_size "$icon") == "${size}x$size" ]] || fail "$icon is $(png_size "$icon")"
done
for file in "$source_dir"/data/sample/*; do
    cmp -s "$file" "$prefix/share/velmaro/sample/$(basename "$file")" || fail "$file differs"
done

velmaro=$prefix/bin/velmaro
[[ $(run_velmaro "$velmaro" --version) == "velmaro $version" ]] || fail "--version"
ops=$(run_velmaro "$velmaro" card --data-dir "$prefix/share/velmaro/sample" --metrics fixed \
    --today 2025-10-20 5193) || fail "card on the installed sample data"
[[ $(head -1 <<<"$ops") == 'card "5193"' ]] || fail "the recording does not begin with card 5193"
grep -q '"Matr.: "' <<<"$ops" || fail "the card of 5193 has no header"

# No data folder chosen: the executable's folder, named in the error with how to change it.
if run_velmaro "$velmaro" card 5193 >/dev/null 2>"$scratch/err"; then
    fail "the installed program found data next to itself"
fi
grep -qF "$prefix/bin/titoli.grp" "$scratch/err" || fail "the error does not name the file"
grep -qF "the executable's folder" "$scratch/err" || fail "the error does not say how"
grep -qF "VELMARO_DATA_DIR" "$scratch/err" || fail "the error does not say how to change it"

page=$prefix/share/man/man1/velmaro.1.gz
source_text=$(zcat "$page" | sed 's/\\-/-/g')
grep -q '^\.TH VELMARO 1 .*velmaro '"$version" <<<"$source_text" || fail "manual page header"
for option in --data-dir --format --output --from --today --metrics --dpi --version \
    VELMARO_DATA_DIR DataDir; do
    grep -qF -- "$option" <<<"$source_text" || fail "the manual page lacks $option"
done
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man reports: $warnings"
fi

# The completion, with the two helpers of the bash-completion package stood in for.
completions=$(bash -c '
    _init_completion() {
        words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; split=false
        # -s: "--opt=value" is prev --opt, cur value.
        if [[ $1 == -s && $cur == --*=* ]]; then prev=${cur%%=*}; cur=${cur#*=}; split=true; fi
    }
    _filedir() { COMPREPLY=(FILES); }
    source "$1"
    complete -p velmaro >/dev/null || exit 1
    complete_line() {
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
        _velmaro; echo "${COMPREPLY[*]}"
    }
    complete_line velmaro ""
    complete_line velmaro --ver
    complete_line velmaro card --fr
    complete_line velmaro card --format p
    complete_line velmaro card 5193 --metrics ""
    complete_line velmaro card -o ""
    complete_line velmaro card --sp
    # The verb is the first argument only: the window takes neither --format nor card options.
    complete_line velmaro --data-dir /tmp card --fr
    complete_line velmaro --format ""
    complete_line velmaro check --format ""
    complete_line velmaro check --to
    complete_line velmaro check -
    # After "--" only numbers.
    complete_line velmaro card -- -
    complete_line velmaro card -- 5193 --format ""
    complete_line velmaro card --quiet=x
    complete_line velmaro card --format=p
' bash "$prefix/share/bash-completion/completions/velmaro") || fail "the completion does not load"
expected_completions="card check
--version
--from
png pdf
font fixed
FILES
--split


text json
--today
--data-dir --format --today --help -h



png pdf"
diff <(echo "$expected_completions") <(echo "$completions") || fail "completion"
echo "installed tree: ok"
