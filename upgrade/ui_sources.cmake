target_sources(gimbalui PRIVATE
)
