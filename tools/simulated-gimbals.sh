# Sourced by the measuring scripts. start_gimbals COUNT FOLDER starts COUNT
# gimbal-sim programs from $BUILD, each on its own pseudo-terminal, and waits
# for their serial paths: their process ids are added to `sims` (for the
# caller's clean-up), their paths put in `gimbal_paths`.
start_gimbals() {
  local count=$1 folder=$2 k
  for k in $(seq "$count"); do
    "$BUILD/gimbal-sim" > "$folder/sim$k" 2> /dev/null &
    sims+=($!)
  done
  gimbal_paths=()
  for k in $(seq "$count"); do
    until [ -s "$folder/sim$k" ]; do sleep 0.05; done
    gimbal_paths+=("$(head -n 1 "$folder/sim$k")")
  done
}
