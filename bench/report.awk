# Summarises bench/run.sh's measurements: input lines "<size> <label> <seconds> <peak KiB>", and
# "<size> document <bytes>". Prints a Markdown table of medians (with the range of the runs) and
# the targets, and writes a bar chart of the median times to the file named by -v svg=<path>.

function median(key, n, i, j, t, v) {
  n = count[key]
  for (i = 1; i <= n; i++) v[i] = value[key, i]
  for (i = 2; i <= n; i++) {
    t = v[i]
    for (j = i - 1; j >= 1 && v[j] > t; j--) v[j + 1] = v[j]
    v[j + 1] = t
  }
  low[key] = v[1]
  high[key] = v[n]
  return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function seconds(key, m) {
  m = median(key)
  return sprintf("%.3f s (%.3f-%.3f)", m, low[key], high[key])
}
function verdict(ok) { return ok ? "met" : "**missed**" }
function ratio(s1, l1, s2, l2) { return t[s1, l1] / t[s2, l2] }
function best(s1, l1, s2, l2) { return low[s1 SUBSEP l1] / low[s2 SUBSEP l2] }
# One target: a ratio from the medians and one from the fastest runs, against a bound that the
# ratio must stay below (at_least 0) or reach (at_least 1).
function target(text, median_ratio, best_ratio, unit, bound, at_least, ok, ok_best) {
  ok = at_least ? median_ratio >= bound : median_ratio <= bound
  ok_best = at_least ? best_ratio >= bound : best_ratio <= bound
  printf "- %s: %.2f%s, %s (%.2f%s, %s)\n", text, median_ratio, unit, verdict(ok), best_ratio, unit, verdict(ok_best)
}
function mib(kib) { return kib / 1024 }

$2 == "document" { bytes[$1] = $3; if (!($1 in seen)) { seen[$1] = 1; sizes[++nsizes] = $1 }; next }
{
  key = $1 SUBSEP $2
  value[key, ++count[key]] = $3
  memory[key, count[key]] = $4
  if ($4 > peak[key]) peak[key] = $4
}

END {
  print "| values | document | native import | native peak memory (limit) | floor | native / floor | `wine reg import` (+ server save) | `wine reg import` / native | RegCorvex.exe under Wine | RegCorvex.exe / `wine reg import` |"
  print "| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  for (s = 1; s <= nsizes; s++) {
    n = sizes[s]
    native = median(n SUBSEP "native"); floor_ = median(n SUBSEP "floor")
    peer = median(n SUBSEP "wine_reg"); exe = median(n SUBSEP "exe")
    limit = 8 * bytes[n] / 1048576 + 32
    t[n, "floor"] = floor_; t[n, "native"] = native; t[n, "wine_reg"] = peer; t[n, "exe"] = exe
    printf "| %d | %.2f MiB | %s | %.1f MiB (%.1f) | %s | %.2f | %s (+ %.2f s) | %.1f | %s | %.2f |\n", \
      n, bytes[n] / 1048576, seconds(n SUBSEP "native"), mib(peak[n SUBSEP "native"]), limit, \
      seconds(n SUBSEP "floor"), native / floor_, seconds(n SUBSEP "wine_reg"), \
      median(n SUBSEP "wine_reg_save"), peer / native, seconds(n SUBSEP "exe"), exe / peer
  }
  big = sizes[nsizes]; mid = sizes[nsizes - 1]
  print ""
  printf "Runs per measurement: %d; medians, with the fastest and slowest run in brackets.\n\n", count[big SUBSEP "native"]
  print "Targets at " big " values, from the medians and (in brackets) from the fastest runs, which"
  print "stand for a machine that nothing else loads:"
  print ""
  b = big; m = mid
  target("native import within 2x the floor", ratio(b, "native", b, "floor"), best(b, "native", b, "floor"), "x", 2, 0)
  target("native import at least 10x faster than `wine reg import`", ratio(b, "wine_reg", b, "native"), best(b, "wine_reg", b, "native"), "x", 10, 1)
  target("growth from " m " to " b " values at most 12x", ratio(b, "native", m, "native"), best(b, "native", m, "native"), "x", 12, 0)
  limit = 8 * bytes[b] / 1048576 + 32
  printf "- peak memory at most 8x the document plus 32 MiB (%.1f MiB): %.1f MiB, %s\n", limit, mib(peak[b SUBSEP "native"]), verdict(mib(peak[b SUBSEP "native"]) <= limit)
  target("RegCorvex.exe under Wine within 1.5x of `wine reg import`", ratio(b, "exe", b, "wine_reg"), best(b, "exe", b, "wine_reg"), "x", 1.5, 0)
  if (count[b SUBSEP "baseline"] > 0) baseline_table()
  if (svg != "") plot()
}

# The native import against the baseline program, both timed in this run from the same files.
function baseline_table(s, n, native, base, floor_) {
  print ""
  print "Native import against the baseline program, measured in the same run:"
  print ""
  print "| values | floor | native import | native / floor | baseline | baseline / floor | baseline / native | native peak memory | baseline peak memory |"
  print "| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  for (s = 1; s <= nsizes; s++) {
    n = sizes[s]
    native = median(n SUBSEP "native"); base = median(n SUBSEP "baseline"); floor_ = median(n SUBSEP "floor")
    printf "| %d | %s | %s | %.2f | %s | %.2f | %.2f | %.1f MiB | %.1f MiB |\n", n, seconds(n SUBSEP "floor"), \
      seconds(n SUBSEP "native"), native / floor_, seconds(n SUBSEP "baseline"), base / floor_, \
      base / native, mib(peak[n SUBSEP "native"]), mib(peak[n SUBSEP "baseline"])
  }
  print ""
  n = sizes[1]
  target("native import of " n " values within 2x the floor", ratio(n, "native", n, "floor"), best(n, "native", n, "floor"), "x", 2, 0)
  n = sizes[nsizes]
  target("native import of " n " values within 1.3x the floor", ratio(n, "native", n, "floor"), best(n, "native", n, "floor"), "x", 1.3, 0)
}

# Horizontal bars of the medians, marks at the fastest runs, on a logarithmic time axis; one group
# of four per document size.
function plot(labels, colours, lo, hi, x0, width, y, s, k, n, v, w, d, px) {
  split("floor native wine_reg exe", labels, " ")
  split("xmllint --noout + copy|regcorvex (native)|wine reg import|RegCorvex.exe under Wine", names, "|")
  split("#9e9e9e #2e7d32 #1565c0 #c62828", colours, " ")
  lo = -2; hi = 2  # 0.01 s to 100 s
  x0 = 190; width = 500
  height = 40 + nsizes * 92 + 30
  printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" font-family=\"sans-serif\" font-size=\"12\">\n", x0 + width + 70, height > svg
  printf "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n" > svg
  printf "<text x=\"10\" y=\"20\" font-size=\"14\">Import time: bars the median run, black marks the fastest (logarithmic axis)</text>\n" > svg
  for (d = lo; d <= hi; d++) {
    px = x0 + (d - lo) / (hi - lo) * width
    printf "<line x1=\"%.1f\" y1=\"32\" x2=\"%.1f\" y2=\"%d\" stroke=\"#ddd\"/>\n", px, px, height - 24 > svg
    printf "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%g s</text>\n", px, height - 10, 10 ^ d > svg
  }
  y = 40
  for (s = 1; s <= nsizes; s++) {
    n = sizes[s]
    printf "<text x=\"10\" y=\"%d\" font-weight=\"bold\">%d values</text>\n", y + 12, n > svg
    y += 18
    for (k = 1; k <= 4; k++) {
      v = t[n, labels[k]]
      w = (log(v) / log(10) - lo) / (hi - lo) * width
      if (w < 1) w = 1
      printf "<text x=\"20\" y=\"%d\">%s</text>\n", y + 11, names[k] > svg
      printf "<rect x=\"%d\" y=\"%d\" width=\"%.1f\" height=\"14\" fill=\"%s\"/>\n", x0, y, w, colours[k] > svg
      px = x0 + (log(low[n SUBSEP labels[k]]) / log(10) - lo) / (hi - lo) * width
      printf "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"black\"/>\n", px, y - 2, px, y + 16 > svg
      printf "<text x=\"%.1f\" y=\"%d\">%.3f s</text>\n", x0 + w + 4, y + 11, v > svg
      y += 17
    }
    y += 6
  }
  print "</svg>" > svg
  close(svg)
}
