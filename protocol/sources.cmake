target_sources(gimbalcore PRIVATE
  protocol/Frame.cpp
  protocol/FrameScanner.cpp
  protocol/LinkSession.cpp
  protocol/ReceiveParser.cpp
  protocol/Reply.cpp
  protocol/ReplyDecoder.cpp
)
