// The shared library is made of geolumen_core, linked whole; this unit only gives the target a source.
