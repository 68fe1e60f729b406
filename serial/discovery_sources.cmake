target_sources(gimbalcore PRIVATE
)
