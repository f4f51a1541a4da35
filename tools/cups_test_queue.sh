#!/usr/bin/env bash
# Makes the CUPS print queues that the printing tests print to: "velmaro-test", whose back end
# (cups-pdf) writes every job as a PDF file into $HOME/PDF of the user who printed,
# "velmaro-test-letter", the same on US Letter paper, and "velmaro-test-border", the same on A4
# whose printer cannot print within 0.6 inch of the paper's bottom (an inkjet's border) and which
# prints landscape, two pages to a sheet, unless a job asks otherwise. Starts the CUPS scheduler first when it is
# not running. Needs root; without root, CUPS or cups-pdf it says why and changes nothing (the
# tests that need the queues then skip themselves).
#   tools/cups_test_queue.sh          create the queues (accepting jobs)
#   tools/cups_test_queue.sh --remove remove them again
set -uo pipefail

queues=(velmaro-test velmaro-test-letter velmaro-test-border)

if [[ "${1:-}" == "--remove" ]]; then
    for queue in "${queues[@]}"; do lpadmin -x "$queue" 2>/dev/null; done
    exit 0
fi

# Whether the CUPS scheduler answers. lpstat's words are those of the user's language (in
# Italian "lo scheduler è in funzione"): asked for in English.
scheduler_running() {
    LC_ALL=C lpstat -r 2>/dev/null | grep -q "scheduler is running"
}

skip() {
    echo "cups_test_queue: $1; the tests that print through CUPS will be skipped."
    exit 0
}

command -v cupsd >/dev/null || skip "the CUPS scheduler (package cups) is not installed"
[[ -x /usr/lib/cups/backend/cups-pdf || -e /usr/lib/cups/backend/cups-pdf ]] ||
    skip "the cups-pdf back end (package printer-driver-cups-pdf) is not installed"

if ! scheduler_running; then
    [[ $(id -u) -eq 0 ]] || skip "the CUPS scheduler is not running and starting it needs root"
    cupsd || skip "the CUPS scheduler could not be started"
    for _ in $(seq 50); do
        scheduler_running && break
        sleep 0.1
    done
    scheduler_running || skip "the CUPS scheduler did not start"
fi

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
# The border queue's driver: A4's printable area 9 points in from the left, top and right, 43
# points (0.6 inch) from the bottom. lpadmin keeps its own copy.
border_ppd=$(mktemp) || skip "no temporary file for a driver"
trap 'rm -f "$border_ppd"' EXIT
sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "9 43 586 833"|' "$ppd" > "$border_ppd"
grep -q '^\*ImageableArea A4/A4: "9 43 586 833"' "$border_ppd" ||
    skip "the cups-pdf driver has no A4 printable area to change"
for queue in "${queues[@]}"; do
    if ! lpstat -p "$queue" >/dev/null 2>&1; then
        [[ $(id -u) -eq 0 ]] || skip "creating the queue $queue needs root"
        driver=$ppd
        [[ "$queue" == velmaro-test-border ]] && driver=$border_ppd
        lpadmin -p "$queue" -E -v cups-pdf:/ -P "$driver" 2>&1 ||
            skip "the queue $queue could not be created"
    fi
    # PDF reaches cups-pdf as PostScript; cairo's conversion keeps the text readable (pdftotext).
    lpadmin -p "$queue" -o pdftops-renderer-default=pdftocairo 2>/dev/null
    cupsenable "$queue" 2>/dev/null
    cupsaccept "$queue" 2>/dev/null
done
lpadmin -p velmaro-test-letter -o PageSize=Letter 2>/dev/null
lpadmin -p velmaro-test-border -o orientation-requested-default=4 -o number-up-default=2 2>/dev/null
echo "cups_test_queue: ${queues[*]} ready (cups-pdf writes to \$HOME/PDF)"
