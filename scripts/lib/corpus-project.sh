# make_project DIR NAME USES: gives each form below DIR a unit of its own
# where it has none (its uses clause naming USES), and writes DIR/NAME.dpr
# listing every unit, so that folder and project mode reach every form.
make_project() {
  local dir=$1 name=$2 uses=$3
  local dpr="$dir/$name.dpr"
  printf 'program %s;\n\nuses\n  Forms' "$name" > "$dpr"
  while IFS= read -r form; do
    local base=${form%.*}
    local unit=$(basename "$base")
    [ -e "$base.pas" ] || printf 'unit %s;\n\ninterface\n\nuses\n  %s;\n\nimplementation\n\n{$R *.dfm}\n\nend.\n' "$unit" "$uses" > "$base.pas"
    printf ",\n  %s in '%s.pas'" "$unit" "${base#$dir/}" >> "$dpr"
  done < <(find "$dir" -iname '*.dfm' | LC_ALL=C sort)
  printf ';\n\nbegin\nend.\n' >> "$dpr"
}
