target_sources(gimbalcore PRIVATE
  protocol/ReceiveParser.cpp
  protocol/ReplyDecoder.cpp
)
