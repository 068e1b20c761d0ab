"""The texture script's modules: reading the disc's textures, driving the upscaler, the pack."""
