# Pure C++20, no I/O and no threads: built natively and for WebAssembly.
target_sources(gimbalportable PRIVATE
  session/LinkSession.cpp
)
