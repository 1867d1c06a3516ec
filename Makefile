# Thin entry points; the scripts do the work.
.PHONY: test test-sanitize bench fuzz

test:
	scripts/test

test-sanitize:
	scripts/test --sanitize

bench:
	scripts/bench

fuzz:
	scripts/fuzz 60
