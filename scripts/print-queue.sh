#!/usr/bin/env bash
# Starts CUPS (root, no service manager) with the cups-pdf back end and a default queue that
# writes each job as a PDF file into one fixed folder. Sourced by .ci/run: on success it exports
# KVL_CUPS_QUEUE and KVL_CUPS_PDF_DIR for the print test; where CUPS cannot run it says so and
# exports nothing, and the test is skipped.
kvl_print_queue() {
  local queue=KVL-PDF dir=/var/spool/cups-pdf/KVL
  if [ "$(id -u)" != 0 ] || ! command -v cupsd >/dev/null ||
     [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    echo "print-queue: needs root, cupsd and the cups-pdf back end; the print test will be skipped" >&2
    return 0
  fi
  mkdir -p "$dir"
  # Every job, whoever sends it, lands in the one folder the test watches.
  sed -i -e '/^[#[:space:]]*Out[[:space:]]/d' -e '/^[#[:space:]]*AnonDirName[[:space:]]/d' \
    /etc/cups/cups-pdf.conf
  printf 'Out %s\nAnonDirName %s\n' "$dir" "$dir" >>/etc/cups/cups-pdf.conf
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    cupsd || { echo "print-queue: cupsd did not start; the print test will be skipped" >&2; return 0; }
    local i
    for i in $(seq 1 30); do
      lpstat -r 2>/dev/null | grep -q 'is running' && break
      sleep 1
    done
  fi
  local model
  model=$(lpinfo -m 2>/dev/null | awk 'tolower($0) ~ /cups-pdf/ && !m {m = $1} END {print m}') ||
    model=
  # The job reaches cups-pdf as PostScript; pdftocairo keeps the text's characters through that
  # (Ghostscript's and pdftops's conversions keep only glyphs), so the PDF's text can be read back.
  if [ -z "$model" ] ||
     ! lpadmin -p "$queue" -v cups-pdf:/ -E -m "$model" -o pdftops-renderer-default=pdftocairo ||
     ! lpadmin -d "$queue"; then
    echo "print-queue: could not add the $queue queue; the print test will be skipped" >&2
    return 0
  fi
  export KVL_CUPS_QUEUE="$queue" KVL_CUPS_PDF_DIR="$dir"
  echo "print-queue: $queue (model $model) writes into $dir"
}
kvl_print_queue
