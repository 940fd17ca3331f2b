# Sourced by the scripts that run Windows programs under Wine. wine_loader PROGRAM.exe prints the
# loader that starts it at once: Wine's 64-bit loader for a 64-bit program, `wine` for a 32-bit
# one. `wine` is the 32-bit loader: it hands a 64-bit program over only after a start of its own,
# which takes minutes where 32-bit programs run emulated.
wine_loader() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  if [[ $machine == 014c ]]; then echo wine; else echo /usr/lib/wine/wine64; fi
}
