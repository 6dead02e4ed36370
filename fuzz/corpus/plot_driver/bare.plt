# bare
name = x
