target_sources(gimbalcore PRIVATE
  protocol/Frame.cpp
  protocol/ReceiveParser.cpp
  protocol/ReplyDecoder.cpp
)
