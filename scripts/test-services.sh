# Starts the services the tests need and stops them when the calling script exits.
# Sourced by scripts/test.
#
# Audio: when no PulseAudio (or PipeWire pulse) server answers, a private one is started with two
# null sinks, so the playback and output-device tests run on machines without a sound card.

_aru_pulse_started=""
_aru_runtime_dir_created=""

_aru_stop_test_services() {
  if [ -n "$_aru_pulse_started" ]; then
    pulseaudio --kill >/dev/null 2>&1 || true
    _aru_pulse_started=""
  fi
  if [ -n "$_aru_runtime_dir_created" ]; then
    rm -rf "$_aru_runtime_dir_created"
    _aru_runtime_dir_created=""
  fi
}

_aru_start_pulseaudio() {
  command -v pulseaudio >/dev/null 2>&1 || {
    echo "test-services: pulseaudio not installed; audio tests will skip" >&2
    return 0
  }
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR="$(mktemp -d "${TMPDIR:-/tmp}/aru-runtime.XXXXXX")"
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
    _aru_runtime_dir_created="$XDG_RUNTIME_DIR"
  fi
  # --check answers for a server of this user; pactl also finds PipeWire's pulse server.
  if pulseaudio --check >/dev/null 2>&1 || pactl info >/dev/null 2>&1; then
    return 0
  fi
  # -n: only the modules named here, so the daemon needs no sound card and no configuration.
  if pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit \
    --log-target=stderr --log-level=error \
    -L "module-null-sink sink_name=aru_test_sink_a sink_properties=device.description=ARU-Test-A" \
    -L "module-null-sink sink_name=aru_test_sink_b sink_properties=device.description=ARU-Test-B" \
    -L "module-native-protocol-unix" >/dev/null 2>&1; then
    _aru_pulse_started=1
    # Replaces any EXIT trap of the calling script (scripts/test sets none).
    trap _aru_stop_test_services EXIT
    # The daemon forks before its socket is ready.
    for _ in $(seq 1 50); do
      pactl info >/dev/null 2>&1 && return 0
      sleep 0.1
    done
  fi
  echo "test-services: could not start a PulseAudio server; audio tests will skip" >&2
}

start_test_services() {
  export QT_QPA_PLATFORM=offscreen
  _aru_start_pulseaudio
}
