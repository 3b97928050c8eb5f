# The Debian package, made with cpack -G DEB.
