# Starts the services the tests need and stops them when the calling script exits.
# Sourced by scripts/test.

start_test_services() {
  export QT_QPA_PLATFORM=offscreen
}
