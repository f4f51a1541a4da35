# The installed desktop entry and AppStream file pass their validators.
source "$(dirname "$0")/install_common.sh"
have_desktop=$(command -v desktop-file-validate || true)
have_appstream=$(command -v appstreamcli || command -v appstream-util || true)
[[ -n $have_desktop || -n $have_appstream ]] ||
    skip "neither desktop-file-validate nor appstreamcli/appstream-util is installed"

prefix=$scratch/prefix
install_into "$prefix"
if [[ -n $have_desktop ]]; then
    desktop-file-validate "$prefix/share/applications/org.velmaro.Velmaro.desktop" |
        grep -v ': hint: ' && fail "desktop-file-validate" || true
    desktop-file-validate "$prefix/share/applications/org.velmaro.Velmaro.desktop" >/dev/null ||
        fail "desktop-file-validate"
else
    echo "SKIPPED: desktop-file-validate is not installed"
fi
metainfo=$prefix/share/metainfo/org.velmaro.Velmaro.metainfo.xml
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate"
elif command -v appstream-util >/dev/null; then
    appstream-util validate-relax --nonet "$metainfo" || fail "appstream-util validate-relax"
else
    echo "SKIPPED: neither appstreamcli nor appstream-util is installed"
fi
echo "validators: ok"
