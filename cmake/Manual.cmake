# The user manual: see docs/manual/.
