# Sourced by the *_rounds.sh scripts. Contenders run in alternated rounds:
# each round runs every contender once, starting one step further along the
# list than the round before, so no contender always runs first or always
# follows the same one, and every ratio is taken within one round.
#
# The caller sets `names` (the contenders, the reference among them) and
# `temps` (warm; cold where the caches are dropped before each run), defines
#   run TEMP NAME      prints "seconds [peak memory in MB]"
#   before_round TEMP  (optional) runs before each round of that temperature
# and calls
#   alternate_rounds ROUNDS REFERENCE per-reference|reference-per
#     per-reference: each contender's time over the reference's (du as the yardstick)
#     reference-per: the reference's time over each contender's (quillon against peers)
#   report REFERENCE   median time, median of the round ratios and the highest
#                      memory (MEM_LABEL, "peak" unless set) of every contender

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }
drop() { if [ "$1" = cold ]; then sync; echo 3 > /proc/sys/vm/drop_caches; fi; }

declare -A times ratios mems
ratio_order=per-reference

alternate_rounds() {
    local rounds="$1" reference="$2" r k temp name t m
    ratio_order="$3"
    for r in $(seq "$rounds"); do
        for temp in "${temps[@]}"; do
            if declare -F before_round >/dev/null; then before_round "$temp"; fi
            local -A round=()
            for k in "${!names[@]}"; do
                name="${names[$(( (k + r) % ${#names[@]} ))]}"
                m=""
                read -r t m < <(run "$temp" "$name")
                round[$name]=$t
                times[$temp.$name]+="$t "
                if [ -n "$m" ]; then mems[$temp.$name]+="$m "; fi
            done
            for name in "${names[@]}"; do
                [ "$name" = "$reference" ] && continue
                if [ "$ratio_order" = per-reference ]; then
                    ratios[$temp.$name]+="$(echo "${round[$name]} / ${round[$reference]}" | bc -l) "
                else
                    ratios[$temp.$name]+="$(echo "${round[$reference]} / ${round[$name]}" | bc -l) "
                fi
            done
            unset round
        done
        echo "round $r done (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
    done
}

report() {
    local reference="$1" temp name t q m line over
    for temp in "${temps[@]}"; do
        for name in "${names[@]}"; do
            t=$(tr ' ' '\n' <<<"${times[$temp.$name]}" | grep . | median)
            line=$(printf '%s %-8s median %8.3f s' "$temp" "$name" "$t")
            if [ "$name" != "$reference" ]; then
                q=$(tr ' ' '\n' <<<"${ratios[$temp.$name]}" | grep . | median)
                over="$name/$reference"
                [ "$ratio_order" = per-reference ] || over="$reference/$name"
                line+=$(printf '  %s: median of round ratios %.2f' "$over" "$q")
            fi
            if [ -n "${mems[$temp.$name]:-}" ]; then
                m=$(tr ' ' '\n' <<<"${mems[$temp.$name]}" | grep . | sort -g | tail -1)
                line+=$(printf '  %s %.1f MB' "${MEM_LABEL:-peak}" "$m")
            fi
            echo "$line  (runs: ${times[$temp.$name]})"
        done
    done
}
