# One place for the version text the programs show and compare, read by the main build and by
# the fuzz targets.
set(Q9XZ_VERSION_TEXT "2.6")
