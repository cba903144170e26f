/** Exports nothing: the launcher opens the main class's package to its runtime. */
module realvm.mod {
}
