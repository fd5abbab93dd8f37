// Carries the test programs' precompiled headers; it has no code of its own.
