# CPack's Debian package: its name, its dependencies, its files, and its program run from a
# throw-away root on the packaged sample data.
source "$(dirname "$0")/install_common.sh"
command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed"

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb=$scratch/out/velmaro_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $deb; cpack made: $(ls "$scratch/out")"

[[ $(dpkg-deb -f "$deb" Package) == velmaro ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
depended_on=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
    libqt6svg6 fonts-liberation2; do
    grep -qxF "$package" <<<"$depended_on" || fail "Depends lacks $package: $depends"
done

contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/velmaro ./usr/share/applications/org.velmaro.Velmaro.desktop \
    ./usr/share/man/man1/velmaro.1.gz ./usr/share/velmaro/sample/elenco.dir; do
    grep -qF " $file" <<<"$contents" || fail "the package lacks $file"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
velmaro=$root/usr/bin/velmaro
[[ $(run_velmaro "$velmaro" --version) == "velmaro $version" ]] || fail "--version"
run_velmaro "$velmaro" card --data-dir "$root/usr/share/velmaro/sample" -o "$scratch/card.png" \
    5193 || fail "the packaged program could not draw 5193"
[[ $(od -An -c -N4 "$scratch/card.png" | tr -d ' ') == '211PNG' ]] || fail "card.png is no PNG"
[[ $(png_size "$scratch/card.png") == 1240x1754 ]] || fail "card.png is $(png_size "$scratch/card.png")"
echo "Depends: $depends"
echo "deb package: ok"
