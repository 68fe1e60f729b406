# Pure C++20, no I/O and no threads: built natively, for WebAssembly and for
# Windows. The catalogue is read with nlohmann-json (header-only).
target_sources(gimbalportable PRIVATE
  releases/Catalogue.cpp
  releases/Signify.cpp
  releases/SourceNames.cpp
  releases/Trust.cpp
)
