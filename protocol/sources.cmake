target_sources(gimbalcore PRIVATE
  protocol/Frame.cpp
  protocol/FrameScanner.cpp
  protocol/ReceiveParser.cpp
  protocol/ReplyDecoder.cpp
)
