# member_groups.awk: Doxygen's input filter for the library's headers. It turns each
# section banner of a class,
#     // ---- Loaders (each replaces the whole matrix) ---------------------------
# into a Doxygen member group of that name, which ends at the next banner or at the "};"
# that closes the class, so that the reference lists the members under the same headings
# as the header. Every line stays on its line, so Doxygen's warnings keep their line
# numbers. Run by Doxygen as: awk -f member_groups.awk HEADER
/^[[:space:]]*\/\/ ---- .* -+[[:space:]]*$/ {
    title = $0
    sub(/^[[:space:]]*\/\/ ---- /, "", title)
    sub(/[[:space:]]*-+[[:space:]]*$/, "", title)
    printf "%s/** @name %s */ /** @{ */\n", (open ? "/** @} */ " : ""), title
    open = 1
    next
}
/^};/ && open {
    printf "/** @} */ %s\n", $0
    open = 0
    next
}
{ print }
