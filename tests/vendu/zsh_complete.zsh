# Completes each LINE in an interactive zsh (on a pseudo-terminal, as a user's) with the
# completion functions of FPATH_DIR, in FOLDER, and prints per line the matches offered:
# "LINE<TAB>MATCH MATCH...". The matches are caught where the completion functions add them.
# usage: zsh zsh_complete.zsh FPATH_DIR FOLDER LINE...
zmodload zsh/zpty
local fpath_dir=$1 folder=$2 chunk out
shift 2
zpty vendu_complete zsh -f -i
zpty -w vendu_complete "cd ${(q)folder}; fpath=(${(q)fpath_dir} \$fpath); autoload -U compinit; compinit -u -D"
zpty -w vendu_complete 'compadd() {
  if ((${@[(I)-[OAD]]})); then builtin compadd "$@"; return; fi
  local -a got; builtin compadd -O got "$@"
  ((! $#got)) || print -r -- "<<${(j: :)got}>>"
  builtin compadd "$@"
}
bindkey "^I" complete-word; print -r -- READY''-MARK'
out=
local start=$SECONDS
while ((SECONDS - start < 30)) && [[ $out != *READY-MARK* ]]; do
  zpty -r -t vendu_complete chunk && out+=$chunk
done
for line in "$@"; do
  zpty -w -n vendu_complete "$line"$'\t'
  out=
  start=$SECONDS
  # Until the terminal is quiet for a while after the completion.
  local quiet=0
  while ((SECONDS - start < 10 && quiet < 40)); do
    if zpty -r -t vendu_complete chunk; then out+=$chunk; quiet=0; else sleep 0.01; ((quiet++)); fi
  done
  local -a found=(${(f)"$(print -r -- "$out" | grep -o '<<[^>]*>>')"})
  print -r -- "$line"$'\t'"${(j: :)${found//(<<|>>)/}}"
  zpty -w -n vendu_complete $'\x15'
done
zpty -d vendu_complete
