// The module's one exported symbol.
