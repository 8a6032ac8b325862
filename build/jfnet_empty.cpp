namespace { [[maybe_unused]] int jf_empty_layer; }
