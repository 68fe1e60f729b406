target_sources(gimbalcore PRIVATE
  protocol/FrameScanner.cpp
  protocol/ReceiveParser.cpp
  protocol/ReplyDecoder.cpp
)
