// STUB: the family's tests go here
