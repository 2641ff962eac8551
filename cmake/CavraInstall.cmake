# install rules: filled in below
